# Helpers shared by every folder's CMakeLists.

# A GoogleTest executable registered with ctest. Tests run headless under SDL's offscreen driver.
function(abisalia_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  target_compile_definitions(${name} PRIVATE ABISALIA_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  # A list-valued property does not survive gtest_discover_tests' own property passing, so the
  # environment is set by a script of ours that ctest runs after the discovered list is known.
  set(env_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
  file(WRITE ${env_script}
    "foreach(t IN LISTS ${name}_TESTS)\n"
    "  set_tests_properties(\"\${t}\" PROPERTIES ENVIRONMENT \"SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy;"
    "ABISALIA_HEADLESS=1;ABISALIA_MODULE_DIR=${ABISALIA_MODULE_DIR};"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0;"
    "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/tsan.supp\")\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_script})
  set_property(TARGET ${name} PROPERTY ABISALIA_ENV_SCRIPT ${env_script})
endfunction()

# Gives every test of the listed test programs a label, for the quick loop (README): logic (pure
# logic), record (the recording device), pixels (the gl backend on llvmpipe), program (the real
# executable end to end), display (an X server). Called once per label, after the programs exist.
function(abisalia_test_label label)
  foreach(target ${ARGN})
    get_target_property(script ${target} ABISALIA_ENV_SCRIPT)
    file(APPEND ${script}
      "foreach(t IN LISTS ${target}_TESTS)\n"
      "  set_tests_properties(\"\${t}\" PROPERTIES LABELS ${label})\n"
      "endforeach()\n")
  endforeach()
endfunction()

# A Google Benchmark executable; built, never run by ctest.
function(abisalia_benchmark name)
  if(NOT ABISALIA_BENCHMARKS)
    return()
  endif()
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
endfunction()

include(GoogleTest)

# One static library per folder, from every .cpp in it (subfolders listed in SUBDIRS are included).
# INCLUDE is the folder its users include from; LIBS what it links publicly.
function(abisalia_library name)
  cmake_parse_arguments(L "" "" "INCLUDE;SUBDIRS;LIBS" ${ARGN})
  set(globs ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(sub ${L_SUBDIRS})
    list(APPEND globs ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${globs})
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${L_INCLUDE})
    target_link_libraries(${name} PUBLIC ${L_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${L_INCLUDE})
    target_link_libraries(${name} INTERFACE ${L_LIBS})
  endif()
endfunction()
