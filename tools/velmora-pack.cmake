# velmora-pack: packs numbered frames into the show's frame archive (<base>.txt, <base>.bin).
add_library(velmora_pack_inputs STATIC ${CMAKE_CURRENT_LIST_DIR}/velmora_pack/pack_inputs.cpp)
target_include_directories(velmora_pack_inputs PUBLIC ${CMAKE_CURRENT_LIST_DIR}/velmora_pack)
target_link_libraries(velmora_pack_inputs PRIVATE platform_files)

# The pictures are checked with the show's own decoder, on both systems.
set(VELMORA_PICTURE_CHECK picture_check.cpp)
add_executable(velmora-pack ${CMAKE_CURRENT_LIST_DIR}/velmora_pack/main.cpp
               ${CMAKE_CURRENT_LIST_DIR}/velmora_pack/${VELMORA_PICTURE_CHECK})
target_link_libraries(velmora-pack PRIVATE velmora_pack_inputs render)
