# Warnings are errors on the project's own code.
function(nemara_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# One static library per layer, made of every .cpp in the layer's folder.
# A layer that has no sources yet is a header-only interface library.
function(nemara_layer name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARGN})
    nemara_warnings(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# One GoogleTest executable per layer, made of every .cpp in tests/<layer>.
# A folder with its own main.cpp links gtest without gtest_main.
function(nemara_tests layer)
  set(options)
  set(oneValueArgs TIMEOUT)
  set(multiValueArgs LIBS ENVIRONMENT)
  cmake_parse_arguments(T "${options}" "${oneValueArgs}" "${multiValueArgs}" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/*.cpp)
  if(NOT sources)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(target test_${layer})
  add_executable(${target} ${sources})
  nemara_warnings(${target})
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/main.cpp)
    target_link_libraries(${target} PRIVATE ${T_LIBS} GTest::gtest)
  else()
    target_link_libraries(${target} PRIVATE ${T_LIBS} GTest::gtest_main)
  endif()
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    TEST_PREFIX "${layer}."
    PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${T_ENVIRONMENT}")
endfunction()
