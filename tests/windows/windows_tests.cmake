# Windows tests: the static check of the DLL on both targets; on win64 also
# the programs that run under Wine against the real Windows API.

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

# Planted and missing system DLLs, on both targets: fakes of the DLLs that
# the library loads from the system folder (and of a name found nowhere
# else), a host program that imports none of them, and the platform's loader
# run directly.
set(HS_PLANTED_DIR ${CMAKE_CURRENT_BINARY_DIR}/planted)
foreach(fake iphlpapi netapi32 winspool winmm hs-planted-only)
  string(REPLACE "-" "_" fake_target planted_${fake})
  add_library(${fake_target} SHARED ${CMAKE_CURRENT_LIST_DIR}/planted_dll.c)
  set_target_properties(${fake_target} PROPERTIES OUTPUT_NAME ${fake} PREFIX ""
                        LIBRARY_OUTPUT_DIRECTORY ${HS_PLANTED_DIR} RUNTIME_OUTPUT_DIRECTORY ${HS_PLANTED_DIR})
  target_link_options(${fake_target} PRIVATE -static-libgcc -Wl,--kill-at)
endforeach()
set_target_properties(planted_winspool PROPERTIES SUFFIX ".drv")

add_executable(planting_host ${CMAKE_CURRENT_LIST_DIR}/planting_host.cpp
               ${CMAKE_SOURCE_DIR}/tools/hsinfo/library.cpp ${CMAKE_SOURCE_DIR}/tools/hsinfo/low_memory.cpp)
target_include_directories(planting_host PRIVATE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/tools/hsinfo)
target_link_libraries(planting_host PRIVATE advapi32)
target_link_options(planting_host PRIVATE -static-libgcc -static-libstdc++ -static)

add_executable(system_library_test ${CMAKE_CURRENT_LIST_DIR}/system_library_test.cpp
               ${CMAKE_SOURCE_DIR}/src/platform/win/system_library.cpp)
target_include_directories(system_library_test PRIVATE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/src)
target_link_options(system_library_test PRIVATE -static-libgcc -static-libstdc++ -static)

add_test(NAME planted_dlls
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/planting-test.sh ${CMAKE_SOURCE_DIR}/scripts/run-windows.sh
                 ${CMAKE_CURRENT_BINARY_DIR}/planting ${HS_PLANTED_DIR} $<TARGET_FILE:hardscan>
                 $<TARGET_FILE:planting_host> $<TARGET_FILE:system_library_test>
                 ${CMAKE_CURRENT_LIST_DIR}/wine-test.reg ${CMAKE_CURRENT_LIST_DIR}/planting-test.reg)
set_tests_properties(planted_dlls PROPERTIES TIMEOUT 900 SKIP_REGULAR_EXPRESSION "SKIPPED:")

if(NOT HS_WIN_TARGET STREQUAL "win64")
  return()
endif()

# The export conformance program: loads Hardscan.dll at run time.
add_executable(wine_test ${CMAKE_CURRENT_LIST_DIR}/wine_test.cpp)
target_include_directories(wine_test PRIVATE ${CMAKE_SOURCE_DIR}/include)
target_link_libraries(wine_test PRIVATE advapi32 iphlpapi winspool netapi32)
target_link_options(wine_test PRIVATE -static-libgcc -static-libstdc++ -static)
add_dependencies(wine_test hardscan)

# The processor instructions of the Windows platform, run directly.
add_executable(cpu_ops_test ${CMAKE_CURRENT_LIST_DIR}/cpu_ops_test.cpp
               ${CMAKE_SOURCE_DIR}/src/platform/win/cpu_ops_win.cpp)
target_include_directories(cpu_ops_test PRIVATE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/src)
target_link_options(cpu_ops_test PRIVATE -static-libgcc -static-libstdc++ -static)

# One fresh Wine prefix per run, shared by the three programs.
add_test(NAME wine
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/run-wine-test.sh
                 ${CMAKE_CURRENT_BINARY_DIR}/wine-prefix
                 ${CMAKE_CURRENT_LIST_DIR}/wine-test.reg
                 $<TARGET_FILE:hardscan>
                 $<TARGET_FILE:abi_test>
                 $<TARGET_FILE:cpu_ops_test>
                 $<TARGET_FILE:wine_test>)
set_tests_properties(wine PROPERTIES TIMEOUT 900 SKIP_REGULAR_EXPRESSION "SKIPPED:")

# The simulated machine of the native build against Windows as Wine provides
# it: both hsinfo programs read the same registry, exported from a Wine prefix.
set(HS_NATIVE_HSINFO ${CMAKE_SOURCE_DIR}/build/native/hsinfo CACHE FILEPATH
    "native hsinfo that the Wine differential test compares with")
add_test(NAME wine_differential
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/wine-differential.sh
                 ${CMAKE_CURRENT_BINARY_DIR}/wine-differential-prefix
                 ${CMAKE_CURRENT_LIST_DIR}/wine-test.reg
                 $<TARGET_FILE:hardscan>
                 $<TARGET_FILE:hsinfo>
                 ${HS_NATIVE_HSINFO})
set_tests_properties(wine_differential PROPERTIES TIMEOUT 900 SKIP_REGULAR_EXPRESSION "SKIPPED:")
