# capture_encode_bench: what encoding costs a capture per frame, beside the rendering.
add_executable(capture_encode_bench ${CMAKE_CURRENT_LIST_DIR}/capture_encode_bench.cpp)
target_link_libraries(capture_encode_bench PRIVATE capture benchmark::benchmark benchmark::benchmark_main velmora_opencv)
