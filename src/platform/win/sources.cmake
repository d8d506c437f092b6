# The Windows platform: system DLLs and the processor instructions. The IP
# helper, NetBIOS, the print spooler and the multimedia timer are not linked:
# their functions are looked up in the system folder at first use.
file(GLOB HS_PLATFORM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win/*.cpp)
# The import slots are for the 32-bit DLL only: every 64-bit Windows has the
# functions they stand in for.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  list(REMOVE_ITEM HS_PLATFORM_SOURCES ${CMAKE_SOURCE_DIR}/src/platform/win/import_slots.cpp)
endif()
set(HS_PLATFORM_LIBS advapi32 ws2_32)
# The DLL's version resource (numbers set by the top-level packaging block).
list(APPEND HS_PLATFORM_SOURCES ${CMAKE_SOURCE_DIR}/src/platform/win/version.rc)
# 32-bit Windows enters the module (DllMain, the exports, exception handlers)
# with the stack aligned to 4 bytes only, where i686 GCC assumes 16: with the
# incoming boundary set to 4 bytes, GCC realigns the stack in every function
# that needs more.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(HS_PLATFORM_COMPILE_OPTIONS -mincoming-stack-boundary=2)
endif()
