# velmora-sheet-compare A.png B.png: scene-by-scene look (structure and colour) of two contact sheets.
add_executable(velmora-sheet-compare ${CMAKE_CURRENT_LIST_DIR}/sheet_compare/main.cpp)
target_link_libraries(velmora-sheet-compare PRIVATE clips)
