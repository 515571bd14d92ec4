; The peer of the start-up benchmark: a small installer as a distributor would otherwise build it
; with NSIS, whose first page is comparable to ours: a picture, a line of license text, two check
; boxes and an Install button. Its install section downloads with NSISdl, so the download plug-in
; is packed into the exe as in a real one (the benchmark never gets that far).
;
; Built by tools/startup_bench/CMakeLists.txt:
;   makensis -XTarget <x86-unicode|amd64-unicode> -DOUTFILE=<exe> -DPICTURE=<bmp> peer.nsi
; PICTURE is a 24-bit BMP made from one of our own pictures at build time.

!include nsDialogs.nsh
!include LogicLib.nsh

Name "Vorlex"
Caption "Vorlex Setup"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Vorlex peer"
SetCompressor /SOLID lzma
ManifestDPIAware true
XPStyle on
BrandingText " "

Var Picture
Var PictureHandle

Page custom FirstPage
Page instfiles

Function .onInit
  InitPluginsDir
  File "/oname=$PLUGINSDIR\picture.bmp" "${PICTURE}"
FunctionEnd

Function FirstPage
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateBitmap} 0 0 100% 80u ""
  Pop $Picture
  ${NSD_SetImage} $Picture "$PLUGINSDIR\picture.bmp" $PictureHandle
  ${NSD_CreateLabel} 0 86u 100% 12u "By clicking Install you accept the license agreement and the privacy notice."
  Pop $0
  ${NSD_CreateCheckbox} 0 102u 100% 12u "Make Vorlex the default browser"
  Pop $0
  ${NSD_Check} $0
  ${NSD_CreateCheckbox} 0 116u 100% 12u "Send usage statistics to help improve Vorlex"
  Pop $0
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:Install"
  nsDialogs::Show
  ${NSD_FreeImage} $PictureHandle
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  NSISdl::download "http://127.0.0.1:9/vorlex_setup.exe" "$PLUGINSDIR\vorlex_setup.exe"
  Pop $0
  ${If} $0 == success
    ExecWait '"$PLUGINSDIR\vorlex_setup.exe"'
  ${EndIf}
SectionEnd
