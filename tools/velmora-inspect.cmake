# velmora-inspect FILE: prints what the show's loaders find in an OBJ, BVH or PLY asset.
add_executable(velmora-inspect
  ${CMAKE_CURRENT_LIST_DIR}/velmora_inspect/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/velmora_inspect/inspect_obj.cpp
  ${CMAKE_CURRENT_LIST_DIR}/velmora_inspect/inspect_bvh.cpp
  ${CMAKE_CURRENT_LIST_DIR}/velmora_inspect/inspect_ply.cpp
)
target_link_libraries(velmora-inspect PRIVATE models clips ply_reader)
