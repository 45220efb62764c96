# The JPEG decoders of the Windows build compared under Wine (see the source's banner).
if(WIN32)
  add_executable(picture_decode_win32_bench ${PROJECT_SOURCE_DIR}/bench/picture_decode_win32_bench.cpp)
  target_link_libraries(picture_decode_win32_bench PRIVATE render)
endif()
