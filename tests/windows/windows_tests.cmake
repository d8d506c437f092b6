# Windows tests: the static check of the DLL, and the programs that run under
# the project's Wine runtime (scripts/run-windows.sh) against the real Windows
# API, on both targets.

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(HS_WIN_TARGET win64)
  set(HS_WIN_OBJDUMP x86_64-w64-mingw32-objdump)
else()
  set(HS_WIN_TARGET win32)
  set(HS_WIN_OBJDUMP i686-w64-mingw32-objdump)
endif()

add_test(NAME dll_static
         COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/check-dll.sh $<TARGET_FILE:hardscan>
                 ${CMAKE_SOURCE_DIR}/src/Hardscan.def ${HS_WIN_TARGET} ${HS_WIN_OBJDUMP})

set(HS_WIN_TESTS ${CMAKE_CURRENT_LIST_DIR})
# A Windows test program, linked statically so that a bare Wine prefix runs it.
function(hs_windows_program name)
  add_executable(${name} ${ARGN})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/src
                             ${CMAKE_CURRENT_SOURCE_DIR} ${HS_WIN_TESTS})
  target_link_options(${name} PRIVATE -static-libgcc -static-libstdc++ -static)
endfunction()

# Every export's answer as bytes, at a chosen stack shift, over caller memory
# from tests/common/bad_input.h: shared by the host programs below.
add_library(export_answers STATIC ${HS_WIN_TESTS}/export_answers.cpp ${HS_WIN_TESTS}/windows_pages.cpp
            ${HS_WIN_TESTS}/shifted_call.cpp)
target_include_directories(export_answers PUBLIC ${CMAKE_SOURCE_DIR}/include ${CMAKE_CURRENT_SOURCE_DIR})

# Planted and missing system DLLs, on both targets (planting-test.sh).
set(HS_PLANTED_DIR ${CMAKE_CURRENT_BINARY_DIR}/planted)
foreach(fake iphlpapi netapi32 winspool winmm hs-planted-only)
  string(REPLACE "-" "_" fake_target planted_${fake})
  add_library(${fake_target} SHARED ${HS_WIN_TESTS}/planted_dll.c)
  set_target_properties(${fake_target} PROPERTIES OUTPUT_NAME ${fake} PREFIX ""
                        LIBRARY_OUTPUT_DIRECTORY ${HS_PLANTED_DIR} RUNTIME_OUTPUT_DIRECTORY ${HS_PLANTED_DIR})
  target_link_options(${fake_target} PRIVATE -static-libgcc -Wl,--kill-at)
endforeach()
set_target_properties(planted_winspool PROPERTIES SUFFIX ".drv")
hs_windows_program(planting_host ${HS_WIN_TESTS}/planting_host.cpp)
target_link_libraries(planting_host PRIVATE export_answers advapi32)
hs_windows_program(system_library_test ${HS_WIN_TESTS}/system_library_test.cpp
                   ${CMAKE_SOURCE_DIR}/src/platform/win/system_library.cpp)
add_test(NAME planted_dlls
         COMMAND sh ${HS_WIN_TESTS}/planting-test.sh ${CMAKE_CURRENT_BINARY_DIR}/planting ${HS_PLANTED_DIR}
                 $<TARGET_FILE:hardscan> $<TARGET_FILE:planting_host> $<TARGET_FILE:system_library_test>
                 ${HS_WIN_TESTS}/wine-test.reg ${HS_WIN_TESTS}/planting-test.reg)
set_tests_properties(planted_dlls PROPERTIES TIMEOUT 900)

# In one fresh Wine prefix: the ABI program, the processor instructions of
# the Windows platform, and the export conformance program, which loads
# Hardscan.dll at run time.
hs_windows_program(cpu_ops_test ${HS_WIN_TESTS}/cpu_ops_test.cpp ${CMAKE_SOURCE_DIR}/src/platform/win/cpu_ops_win.cpp)
hs_windows_program(wine_test ${HS_WIN_TESTS}/wine_test.cpp)
target_link_libraries(wine_test PRIVATE export_answers iphlpapi winspool netapi32)
add_dependencies(wine_test hardscan)
# On win64 also the 32-bit DLL of the win32 build (which the test command
# builds first) against the 64-bit one: both must answer the same records.
set(HS_AGAINST_32)
if(HS_WIN_TARGET STREQUAL "win64")
  set(HS_WIN32_BUILD ${CMAKE_SOURCE_DIR}/build/win32 CACHE PATH
      "win32 build folder whose DLL the 32/64-bit comparison uses")
  set(HS_AGAINST_32 --against-32 ${HS_WIN32_BUILD}/Hardscan.dll ${HS_WIN32_BUILD}/tests/wine_test.exe)
endif()
# The simulated machine of the native build against Windows, in the same
# session (wine-differential.sh).
set(HS_NATIVE_HSINFO ${CMAKE_SOURCE_DIR}/build/native/hsinfo CACHE FILEPATH
    "native hsinfo that the Wine tests compare with")
add_test(NAME wine
         COMMAND sh ${HS_WIN_TESTS}/run-wine-test.sh --differential $<TARGET_FILE:hsinfo> ${HS_NATIVE_HSINFO}
                 ${HS_AGAINST_32} ${CMAKE_CURRENT_BINARY_DIR}/wine-prefix
                 ${HS_WIN_TESTS}/wine-test.reg $<TARGET_FILE:hardscan>
                 $<TARGET_FILE:abi_test> $<TARGET_FILE:cpu_ops_test> $<TARGET_FILE:wine_test>)
set_tests_properties(wine PROPERTIES TIMEOUT 900)

# Each Windows family's paths under the real API, and the 32-bit DLL's calls
# (wine-families.sh). The 64-bit DLL runs the 2000 and XP machines.
hs_windows_program(volatile_keys ${HS_WIN_TESTS}/volatile_keys.c)
if(HS_WIN_TARGET STREQUAL "win32")
  set(HS_FAMILY_MACHINES win95-osr2:win95 win98se:win98 nt4:nt40 win2000:win2k winxp:winxp)
else()
  set(HS_FAMILY_MACHINES win2000:win2k winxp:winxp)
endif()
add_test(NAME wine_families
         COMMAND sh ${HS_WIN_TESTS}/wine-families.sh ${CMAKE_CURRENT_BINARY_DIR}/wine-families-prefix
                 $<TARGET_FILE:hardscan> $<TARGET_FILE:hsinfo> $<TARGET_FILE:volatile_keys> ${HS_NATIVE_HSINFO}
                 ${HS_FAMILY_MACHINES})
set_tests_properties(wine_families PROPERTIES TIMEOUT 900 SKIP_REGULAR_EXPRESSION "SKIPPED:")
