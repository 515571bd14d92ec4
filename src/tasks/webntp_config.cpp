#include <set>

#include "base/json.h"
#include "tasks/webntp.h"

namespace tasks {

namespace {

std::string Trim(const std::string& text) {
  const char kBlanks[] = "\t\v\f \n\r";
  size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return {};
  size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

// A relative path that stays inside the bundle directory.
bool IsSafeRelativePath(const std::string& path) {
  if (path.empty() || path[0] == '/' || path[0] == '\\' || path.find(':') != std::string::npos) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("/\\", start);
    std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part == "..") return false;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return true;
}

const base::Json* NonEmptyString(const base::Json& object, const char* key) {
  auto it = object.find(key);
  if (it == object.end() || !it->is_string() || it->get_ref<const std::string&>().empty()) return nullptr;
  return &*it;
}

}  // namespace

std::optional<WebNtpConfig> ParseWebNtpConfig(std::string_view text, std::string* error) {
  std::optional<base::Json> value = base::ParseJson(text, kWebNtpConfigMaxDepth);
  if (!value) return *error = "Failed to parse webntp config", std::nullopt;
  if (!value->is_object())
    return *error = "Bad format of webntp config, type=" + std::to_string(base::JsonTypeNumber(*value)), std::nullopt;
  WebNtpConfig config;
  const base::Json* version = NonEmptyString(*value, "version");
  if (!version) return *error = "webntp version is empty", std::nullopt;
  config.version = version->get<std::string>();
  const base::Json* main_html = NonEmptyString(*value, "main_html");
  if (!main_html) return *error = "webntp main_html is empty", std::nullopt;
  config.main_html = main_html->get<std::string>();
  auto resources = value->find("resources");
  if (resources == value->end() || !resources->is_array())
    return *error = "Failed to find webntp config resources", std::nullopt;
  for (const base::Json& entry : *resources) {
    if (!entry.is_string())
      return *error = "Non string type(=" + std::to_string(base::JsonTypeNumber(entry)) +
                      ") in webntp config resources",
             std::nullopt;
    config.resources.push_back(Trim(entry.get<std::string>()));
  }
  if (config.resources.empty()) return *error = "Empty webntp config resources", std::nullopt;
  for (const std::string& path : config.resources) {
    if (!IsSafeRelativePath(path)) return *error = "Bad webntp resource path: " + path, std::nullopt;
  }
  if (!IsSafeRelativePath(config.main_html)) return *error = "Bad webntp resource path: " + config.main_html, std::nullopt;
  return config;
}

std::vector<std::string> WebNtpDirectories(const WebNtpConfig& config) {
  std::set<std::string> directories;
  auto add_parents = [&](std::string path) {
    for (char& c : path)
      if (c == '\\') c = '/';
    for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
      directories.insert(path.substr(0, slash));
  };
  add_parents(config.main_html);
  for (const std::string& path : config.resources) add_parents(path);
  return {directories.begin(), directories.end()};
}

}  // namespace tasks
