# Helpers shared by every folder's CMakeLists.

# A GoogleTest executable registered with ctest. Tests run headless under SDL's offscreen driver.
function(abisalia_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE ABISALIA_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy;ABISALIA_HEADLESS=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0"
               TIMEOUT 300)
endfunction()

# A Google Benchmark executable; built, never run by ctest.
function(abisalia_benchmark name)
  if(NOT ABISALIA_BENCHMARKS)
    return()
  endif()
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main Threads::Threads)
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
