# morvane_module(NAME [DEPS ...])
# One static library per subsystem folder: sources in src/, the public header
# in include/. DEPS are the subsystems whose headers it includes.
function(morvane_module name)
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}/include")
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# morvane_test(SUBSYSTEM) builds every tests/SUBSYSTEM/*.cpp into one
# GoogleTest program and registers its tests with CTest.
function(morvane_test sub)
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(test_${sub} ${sources})
  target_link_libraries(test_${sub} PRIVATE morvane_engine morvane_testkit GTest::gtest_main ${ARGN})
  gtest_discover_tests(test_${sub} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endfunction()
