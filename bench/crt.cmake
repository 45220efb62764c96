# crt_codec_bench: the crt codec against Draco (Debian's libdraco-dev) on the shared meshes.
# Built only when Draco is found, so nothing else depends on it.
find_path(CRT_BENCH_DRACO_INCLUDE_DIR draco/compression/encode.h)
find_library(CRT_BENCH_DRACO_LIBRARY draco)
if(CRT_BENCH_DRACO_INCLUDE_DIR AND CRT_BENCH_DRACO_LIBRARY)
  add_library(crt_bench_draco UNKNOWN IMPORTED)
  set_target_properties(crt_bench_draco PROPERTIES
    IMPORTED_LOCATION ${CRT_BENCH_DRACO_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${CRT_BENCH_DRACO_INCLUDE_DIR})

  add_executable(crt_codec_bench ${CMAKE_CURRENT_LIST_DIR}/crt_codec_bench.cpp)
  target_link_libraries(crt_codec_bench PRIVATE crt_encode_lib crt_exports crt_bench_draco benchmark::benchmark)
  target_compile_definitions(crt_codec_bench PRIVATE VELMORA_TESTDATA="${PROJECT_SOURCE_DIR}/../shared/testdata")

  # The size table over any real meshes given on its command line.
  add_executable(crt_size_table ${CMAKE_CURRENT_LIST_DIR}/crt_size_table.cpp)
  target_link_libraries(crt_size_table PRIVATE crt_encode_lib crt_decode_lib crt_bench_draco)
else()
  message(STATUS "Draco not found (libdraco-dev): crt_codec_bench is not built")
endif()
