# Each subsystem folder becomes one static library, so that a folder builds and tests on its own.
# Sources directly in <folder>/ belong to the core; sources in <folder>/widgets/ and in ui/
# belong to rv_widgets.

function(rv_add_core_library name folder)
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  if(NOT sources)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC Qt6::Core ${ARGN})
endfunction()

function(rv_add_widgets_library name)
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/ui/*.cpp ${CMAKE_SOURCE_DIR}/ui/*.h
       ${CMAKE_SOURCE_DIR}/*/widgets/*.cpp ${CMAKE_SOURCE_DIR}/*/widgets/*.h)
  list(FILTER sources EXCLUDE REGEX "^${CMAKE_SOURCE_DIR}/(tests|build[^/]*)/")
  if(NOT sources)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC rv_core Qt6::Widgets Qt6::Gui)
endfunction()

# One test program per folder of tests/: tests/<name>/*.cpp -> test_<name>.
function(rv_add_test_folder folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
  if(NOT sources)
    return()
  endif()
  set(target test_${folder})
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE rv_testsupport ${ARGN} GTest::gtest GTest::gmock)
  target_compile_definitions(${target} PRIVATE
    RV_SOURCE_DIR="${CMAKE_SOURCE_DIR}" RV_TESTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
    RV_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
