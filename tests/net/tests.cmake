include(${CMAKE_SOURCE_DIR}/tools/loopback_server/loopback.cmake)
vorlex_require_loopback(${name})
# The tests call WinINet directly for baselines and seams.
target_link_libraries(${name} PRIVATE wininet)
# The loopback server's own checks (host side, its own instance).
add_test(NAME loopback_server_selftest
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/loopback_server/selftest.py)
