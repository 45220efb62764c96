# crt-decode INPUT [OUTPUT.ply|OUTPUT.obj]: decodes a crt mesh stream and prints what it holds.
add_library(crt_decode_lib STATIC ${CMAKE_CURRENT_LIST_DIR}/crt_decode/decoded_mesh.cpp)
target_include_directories(crt_decode_lib PUBLIC ${CMAKE_CURRENT_LIST_DIR}/crt_decode)
target_link_libraries(crt_decode_lib PUBLIC crt)

add_executable(crt-decode ${CMAKE_CURRENT_LIST_DIR}/crt_decode/main.cpp)
target_link_libraries(crt-decode PRIVATE crt_decode_lib platform_files)
