# The geometry library of the show data generator, until velmora-data.cmake takes it in.
if(NOT TARGET velmora_data_geometry)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/velmora_data/geometry ${CMAKE_BINARY_DIR}/tools/velmora_data_geometry)
endif()
