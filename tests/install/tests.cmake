add_dependencies(${name} lite_installer stand_in_setups)
# The elevation tests play the master with windows of their own.
target_link_libraries(${name} PRIVATE user32)
include(${CMAKE_SOURCE_DIR}/tools/loopback_server/loopback.cmake)
vorlex_require_loopback(${name})
