#include <nlohmann/json.hpp>

#include "base/base64.h"
#include "tasks/variations.h"

namespace tasks {

std::string VariationsJson(const VariationsResponse& response) {
  // Insertion order is the file's member order.
  nlohmann::ordered_json value = nlohmann::ordered_json::object();
  value["variations_seed_base64"] = base::Base64Encode(response.body);
  value["variations_seed_signature"] = response.signature;
  value["variations_last_modified_time"] = response.last_modified;
  value["variations_country"] = response.country;
  return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace tasks
