# The Windows platform: system DLLs and the processor instructions. The IP
# helper, NetBIOS, the print spooler and the multimedia timer are not linked:
# their functions are looked up in the system folder at first use.
file(GLOB HS_PLATFORM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win/*.cpp)
set(HS_PLATFORM_LIBS advapi32 ws2_32)
# The DLL's version resource (numbers set by the top-level packaging block).
list(APPEND HS_PLATFORM_SOURCES ${CMAKE_SOURCE_DIR}/src/platform/win/version.rc)
