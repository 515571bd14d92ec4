include(${CMAKE_SOURCE_DIR}/tools/loopback_server/loopback.cmake)
vorlex_require_loopback(${name})
# The tests call WinINet directly for baselines and seams.
target_link_libraries(${name} PRIVATE wininet)
