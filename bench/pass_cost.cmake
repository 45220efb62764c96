# pass_cost_bench: GPU time of the show's full-screen passes beside trivial passes of the
# same shape, from timer queries (run under xvfb-run).
add_executable(pass_cost_bench ${CMAKE_CURRENT_LIST_DIR}/pass_cost.cpp ${PROJECT_SOURCE_DIR}/tests/shaders/show_passes.cpp)
target_link_libraries(pass_cost_bench PRIVATE render benchmark::benchmark SDL2::SDL2)
target_include_directories(pass_cost_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/shaders)
target_compile_definitions(pass_cost_bench PRIVATE VELMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
