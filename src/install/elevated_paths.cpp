#include "install/elevated_paths.h"

namespace install {

namespace {

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

bool IsAbsoluteLocalPath(std::wstring_view path) {
  if (path.size() < 4 || !IsDriveLetter(path[0]) || path[1] != L':' || path[2] != L'\\') return false;
  std::wstring_view rest = path.substr(3);
  if (rest.find_first_of(L":/") != std::wstring_view::npos) return false;
  for (size_t start = 0; start <= rest.size();) {
    size_t end = rest.find(L'\\', start);
    if (end == std::wstring_view::npos) end = rest.size();
    std::wstring_view component = rest.substr(start, end - start);
    if (component.empty() || component == L"." || component == L"..") return false;
    start = end + 1;
  }
  return true;
}

bool HasFileExtension(std::wstring_view path) {
  size_t name = path.find_last_of(L"\\/");
  std::wstring_view base = name == std::wstring_view::npos ? path : path.substr(name + 1);
  size_t dot = base.rfind(L'.');
  return dot != std::wstring_view::npos && dot > 0 && dot + 1 < base.size();
}

std::wstring LocalFromFinalPath(std::wstring_view final_path) {
  constexpr std::wstring_view kPrefix = L"\\\\?\\";
  if (final_path.substr(0, kPrefix.size()) != kPrefix) return {};
  std::wstring_view local = final_path.substr(kPrefix.size());
  if (local.size() < 3 || !IsDriveLetter(local[0]) || local[1] != L':' || local[2] != L'\\') return {};
  return std::wstring(local);
}

bool IsInsideDirectory(std::wstring_view path, std::wstring_view directory) {
  while (!directory.empty() && directory.back() == L'\\') directory.remove_suffix(1);
  if (directory.empty() || path.size() <= directory.size() + 1 || path[directory.size()] != L'\\') return false;
  for (size_t i = 0; i < directory.size(); ++i)
    if (FoldAscii(path[i]) != FoldAscii(directory[i])) return false;
  return true;
}

}  // namespace install
