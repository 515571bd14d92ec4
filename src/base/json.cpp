#include "base/json.h"

namespace base {

namespace {
struct DepthExceeded {};
}  // namespace

std::optional<Json> ParseJson(std::string_view text, int max_depth, std::string* error) {
  // The callback's depth counts the containers already open around the event.
  auto limit = [max_depth](int depth, Json::parse_event_t event, Json&) {
    if ((event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start) &&
        depth >= max_depth) {
      throw DepthExceeded();
    }
    return true;
  };
  try {
    Json value = Json::parse(text.begin(), text.end(), limit, /*allow_exceptions=*/true,
                             /*ignore_comments=*/true);
    return value;
  } catch (const DepthExceeded&) {
    if (error) *error = "maximum parsing depth reached";
  } catch (const Json::exception& e) {
    if (error) *error = e.what();
  }
  return std::nullopt;
}

int JsonTypeNumber(const Json& value) {
  switch (value.type()) {
    case Json::value_t::boolean:
      return 1;
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
      return 2;
    case Json::value_t::number_float:
      return 3;
    case Json::value_t::string:
      return 4;
    case Json::value_t::binary:
      return 5;
    case Json::value_t::object:
      return 6;
    case Json::value_t::array:
      return 7;
    default:
      return 0;
  }
}

std::string WriteJson(const Json& value, int indent) {
  return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

}  // namespace base
