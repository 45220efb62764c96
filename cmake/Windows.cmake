# Settings of the Windows build (cross-built with cmake/mingw-w64-x86_64.cmake).

# Programs and crt.dll side by side in one folder, where Windows looks for a program's DLLs.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Every program carries a manifest that makes UTF-8 its ANSI code page (honoured by
# Windows 10 1903 and later, and by Wine 8): the command line, fopen, ifstream and the
# other narrow-string calls then take the same UTF-8 paths as on Linux. The resource is
# compiled once here and linked into every executable (a DLL takes the code page of the
# program that loads it).
set(VELMORA_MANIFEST_OBJECT ${CMAKE_BINARY_DIR}/utf8_manifest.o)
set(VELMORA_MANIFEST_RC ${PROJECT_SOURCE_DIR}/platform/utf8_manifest.rc)
execute_process(COMMAND ${CMAKE_RC_COMPILER} -O coff -i ${VELMORA_MANIFEST_RC} -o ${VELMORA_MANIFEST_OBJECT}
                WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/platform RESULT_VARIABLE manifest_failed)
if(manifest_failed)
  message(FATAL_ERROR "${CMAKE_RC_COMPILER} could not compile ${VELMORA_MANIFEST_RC}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${VELMORA_MANIFEST_RC} ${PROJECT_SOURCE_DIR}/platform/utf8.manifest)
string(APPEND CMAKE_EXE_LINKER_FLAGS " ${VELMORA_MANIFEST_OBJECT}")

# Unicode entry points of the Windows API (the W functions) wherever a header chooses.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

# Tests run the programs under Wine in a prefix of their own inside the build folder,
# never in ~/.wine (tests/windows/wine_tests.sh makes it and keeps one wineserver for a run).
set(VELMORA_WINE_ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wine" "WINEDEBUG=-all")
