# One static library per source folder. The sources are every .cpp in the folder, so adding a file
# needs no edit here; the listed dependencies are the only folders the library may use, which keeps
# the core layered (kernels know nothing of program state, nothing but the platform sees Qt).
function(drollo_library name dir)
  cmake_parse_arguments(ARG "" "" "DEPS;SYSTEM_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} ${ARG_SYSTEM_DEPS})
  else()
    # A folder with headers only (or nothing yet).
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} ${ARG_SYSTEM_DEPS})
  endif()
endfunction()

# One GoogleTest program per test folder, its cases registered with CTest one by one.
function(drollo_tests name dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} drollo_testsupport GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
