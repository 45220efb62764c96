# Third-party libraries, all from Debian's packages (installed by setup.sh).
find_package(Threads REQUIRED)

if(WIN32)
  # Cross-built for Windows: the libraries, the crt DLL and the tools need nothing beyond
  # Windows' own DLLs. GoogleTest comes from the sources Debian ships with libgtest-dev,
  # built here with the cross compiler.
  if(VELMORA_BUILD_TESTS)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)  # defines GTest::gtest
  endif()
  # The show: OpenMP from the cross compiler (linked statically like the rest), and
  # stb_image_write from libstb-dev, a header of its own that needs nothing of Linux.
  find_package(OpenMP REQUIRED)
  # FindOpenMP names libgomp.dll.a, the DLL's import library; the static archive keeps
  # velmora.exe free of libgomp-1.dll.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgomp.a OUTPUT_VARIABLE VELMORA_GOMP_STATIC
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${VELMORA_GOMP_STATIC}")
    set_property(TARGET OpenMP::OpenMP_CXX PROPERTY INTERFACE_LINK_LIBRARIES ${VELMORA_GOMP_STATIC} Threads::Threads)
  endif()
  find_path(VELMORA_STB_INCLUDE_DIR stb_image_write.h PATHS /usr/include/stb NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT VELMORA_STB_INCLUDE_DIR)
    message(FATAL_ERROR "stb_image_write.h not found in /usr/include/stb: install libstb-dev")
  endif()
  return()
endif()

find_package(PkgConfig REQUIRED)
find_package(SDL2 REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
find_package(GLEW REQUIRED)
find_package(OpenMP REQUIRED)
find_package(ZLIB REQUIRED)  # CRC-32 of take files

# Debian ships OpenCV's core/imgcodecs/imgproc without a CMake package file unless the
# whole libopencv-dev is installed; the three libraries are all we use.
find_path(OPENCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
add_library(velmora_opencv INTERFACE)
foreach(mod core imgcodecs imgproc)
  find_library(OPENCV_${mod}_LIB opencv_${mod} REQUIRED)
  target_link_libraries(velmora_opencv INTERFACE ${OPENCV_${mod}_LIB})
endforeach()
target_include_directories(velmora_opencv SYSTEM INTERFACE ${OPENCV_INCLUDE_DIR})

pkg_check_modules(MPG123 REQUIRED IMPORTED_TARGET libmpg123)
pkg_check_modules(RTMIDI REQUIRED IMPORTED_TARGET rtmidi)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)  # only to quiet libasound's own error printing
endif()
pkg_check_modules(LAME REQUIRED IMPORTED_TARGET lame)
pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET libturbojpeg)
# The capture to video: H.264/AAC encoding, MP4 muxing, colour and sample conversion.
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavcodec libavformat libavutil libswscale libswresample)

if(VELMORA_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(VELMORA_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
