# The language test draws the installer's windows: their resources and manifest, the GUI helpers.
target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/ui/ui_test_resources.rc ${CMAKE_SOURCE_DIR}/tests/ui/gui_util.cpp)
target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/resources ${vorlex_generated} ${CMAKE_SOURCE_DIR}/tests/ui)
target_link_libraries(${name} PRIVATE oleacc oleaut32 uuid)
target_link_options(${name} PRIVATE -mwindows)
