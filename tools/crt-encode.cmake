# crt-encode INPUT.ply|INPUT.obj OUTPUT.crt [options]: encodes a triangle mesh as a crt stream.
# crt_encode_lib (PLY/OBJ reading and the tool's settings) also serves the codec tests and
# the benchmark.
add_library(crt_encode_lib STATIC
  ${CMAKE_CURRENT_LIST_DIR}/crt_encode/encode_mesh.cpp
  ${CMAKE_CURRENT_LIST_DIR}/crt_encode/merge_corners.cpp
  ${CMAKE_CURRENT_LIST_DIR}/crt_encode/obj_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/crt_encode/ply_reader.cpp
)
target_include_directories(crt_encode_lib PUBLIC ${CMAKE_CURRENT_LIST_DIR}/crt_encode)
target_link_libraries(crt_encode_lib PUBLIC crt_encoder PRIVATE platform_files ply_reader)

add_executable(crt-encode ${CMAKE_CURRENT_LIST_DIR}/crt_encode/main.cpp)
target_link_libraries(crt-encode PRIVATE crt_encode_lib)
