# Window tests: the installer run interactively (driven through its controls) and the slide show.
# They need the window resources, the installer with the signed stand-in setup, the loopback
# server, and slide pictures made here with ImageMagick.
target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/ui/ui_test_resources.rc)
target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/resources ${vorlex_generated})
target_link_options(${name} PRIVATE -mwindows)
add_dependencies(${name} lite_installer stand_in_setups)
include(${CMAKE_SOURCE_DIR}/tools/loopback_server/loopback.cmake)
vorlex_require_loopback(${name})

# Slides: 1456 x 800 (a full window at scale 1) and a smaller one, plus a file that is no image.
set(slide_dir ${CMAKE_BINARY_DIR}/test_slides)
if(NOT EXISTS ${slide_dir}/full.jpg)
  file(MAKE_DIRECTORY ${slide_dir})
  find_program(MAGICK_CONVERT convert)
  if(MAGICK_CONVERT)
    execute_process(COMMAND ${MAGICK_CONVERT} -size 1456x800 "gradient:#f4b400-#b23a48"
                            -fill white -font Liberation-Sans-Bold -pointsize 120 -gravity center -annotate 0 "Slide 2"
                            -quality 85 ${slide_dir}/full.jpg)
    execute_process(COMMAND ${MAGICK_CONVERT} -size 900x500 "gradient:#2e7d32-#a5d6a7"
                            -quality 85 ${slide_dir}/small.jpg)
  endif()
endif()

# Screenshots from the X display: the tests ask for one by writing a request file; this helper
# answers with `import -window root` while the tests run.
add_test(NAME window_screenshot_helper_start
  COMMAND ${CMAKE_SOURCE_DIR}/tests/ui/screenshot_helper.sh start ${CMAKE_BINARY_DIR})
add_test(NAME window_screenshot_helper_stop
  COMMAND ${CMAKE_SOURCE_DIR}/tests/ui/screenshot_helper.sh stop ${CMAKE_BINARY_DIR})
set_tests_properties(window_screenshot_helper_start PROPERTIES FIXTURES_SETUP window_screenshots)
set_tests_properties(window_screenshot_helper_stop PROPERTIES FIXTURES_CLEANUP window_screenshots)
set_property(TEST ${name} APPEND PROPERTY FIXTURES_REQUIRED window_screenshots)
target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/ui/window_test_util.cpp ${CMAKE_SOURCE_DIR}/tests/ui/gui_util.cpp)
# Active Accessibility (oleacc) reads what a screen reader is told about each control.
target_link_libraries(${name} PRIVATE oleacc oleaut32 uuid)
target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/ui)
