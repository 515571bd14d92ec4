add_executable(log_writer ${CMAKE_SOURCE_DIR}/tests/logging/log_writer.cpp)
target_link_libraries(log_writer PRIVATE vorlex_core)
target_link_options(log_writer PRIVATE -municode)
add_dependencies(${name} log_writer)
