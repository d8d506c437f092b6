# The simulated Windows machine behind the native build.
file(GLOB HS_PLATFORM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/sim/*.cpp)
set(HS_PLATFORM_LIBS)
