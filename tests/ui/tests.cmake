# The UI tests need the windows' resources (pictures, templates, strings) and the program's
# manifest (common controls 6, DPI awareness), as the installer has them.
target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/ui/ui_test_resources.rc ${CMAKE_SOURCE_DIR}/tests/ui/gui_util.cpp)
# Active Accessibility (oleacc) reads what a screen reader is told about each control.
target_link_libraries(${name} PRIVATE oleacc oleaut32 uuid)
target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/resources ${vorlex_generated})
file(GLOB ui_resource_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/images/*
     ${CMAKE_SOURCE_DIR}/resources/ui_*.rc ${CMAKE_SOURCE_DIR}/src/ui/control_ids.h)
set_source_files_properties(${CMAKE_SOURCE_DIR}/tests/ui/ui_test_resources.rc PROPERTIES
  OBJECT_DEPENDS "${ui_resource_files};${vorlex_generated}/lite_installer.manifest")
target_link_options(${name} PRIVATE -mwindows)

# The committed string tables match their translation files.
add_test(NAME ui_strings_generated
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_strings.py --check)

# Screenshots of every message dialog, taken from the X display by ImageMagick.
add_test(NAME ui_dialog_screenshots
  COMMAND ${CMAKE_SOURCE_DIR}/tests/ui/dialog_screenshots.sh ${CMAKE_BINARY_DIR})
set_tests_properties(ui_dialog_screenshots PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)

# The main window run for real (the installer driven through its controls, the slide show): a
# program of its own, window_tests, with the loopback server and the screenshot helper.
vorlex_split_test_program(window_tests ${CMAKE_CURRENT_LIST_DIR}/window_tests.cmake
  main_window_win_test.cpp main_window_interactive_win_test.cpp percentage_text_win_test.cpp slide_show_win_test.cpp)

# Every screen in every language at scale 1 and 2: one program, one process (GUI runs are slow
# under Wine), with the window resources and the manifest.
vorlex_split_test_program(language_tests ${CMAKE_CURRENT_LIST_DIR}/language_tests.cmake languages_win_test.cpp)
