add_dependencies(${name} lite_installer stand_in_setups)
include(${CMAKE_SOURCE_DIR}/tools/loopback_server/loopback.cmake)
vorlex_require_loopback(${name})
