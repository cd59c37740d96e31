# The fuzz targets, shared by the libFuzzer build (fuzz/CMakeLists.txt) and
# the plain replay build of the regression test (tests/regressions/).
# Target <name> is fuzz/<name>_fuzz.cpp linked with VELSCAN_FUZZ_LIBS_<name>.
# A target whose libraries are not part of the build yet is skipped.
set(VELSCAN_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
# The link target drives the scripted fake of tests/support; the fuzz build
# has no test suite, and the replay build may reach here before tests/support.
if(NOT TARGET velscan_test_support AND TARGET velscan_link)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/support ${CMAKE_BINARY_DIR}/fuzz-support)
endif()
set(VELSCAN_FUZZ_TARGETS tpl spectral link console)

set(VELSCAN_FUZZ_LIBS_tpl velscan_spectrum velscan_tpl)
set(VELSCAN_FUZZ_LIBS_spectral velscan_spectrum velscan_tpl)
set(VELSCAN_FUZZ_LIBS_link velscan_commands velscan_link velscan_test_support)
set(VELSCAN_FUZZ_LIBS_console velscan_app velscan_api velscan_emulator)

# The seed generator runs the system's own encoders, the link command table
# and the virtual spectrometer.
function(velscan_fuzz_seed_generator target)
  add_executable(${target} ${VELSCAN_FUZZ_DIR}/make_seeds.cpp)
  velscan_warnings(${target})
  target_include_directories(${target} PRIVATE ${VELSCAN_FUZZ_DIR})
  target_link_libraries(${target} PRIVATE velscan_spectrum velscan_tpl velscan_emulator velscan_commands
                        velscan_link)
endfunction()

function(velscan_fuzz_target_ready name out)
  set(ready TRUE)
  if(NOT EXISTS ${VELSCAN_FUZZ_DIR}/${name}_fuzz.cpp)
    set(ready FALSE)
  endif()
  foreach(lib IN LISTS VELSCAN_FUZZ_LIBS_${name})
    if(NOT TARGET ${lib})
      set(ready FALSE)
    endif()
  endforeach()
  set(${out} ${ready} PARENT_SCOPE)
endfunction()
