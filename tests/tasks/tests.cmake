include(${CMAKE_SOURCE_DIR}/tools/loopback_server/loopback.cmake)
vorlex_require_loopback(${name})
