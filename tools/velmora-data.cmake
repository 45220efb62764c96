# velmora-data [--tiny] [--contact-sheet FILE.png] [--jobs N] OUTDIR: writes the default
# show data. The generator is a library so the tests can run it and inspect its parts.
if(NOT TARGET velmora_data_geometry)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/velmora_data/geometry ${CMAKE_BINARY_DIR}/tools/velmora_data_geometry)
endif()

set(VDATA_DIR ${CMAKE_CURRENT_LIST_DIR}/velmora_data)
add_library(velmora_data_core STATIC
  ${VDATA_DIR}/blue_noise.cpp
  ${VDATA_DIR}/contact_sheet.cpp
  ${VDATA_DIR}/credits.cpp
  ${VDATA_DIR}/file_output.cpp
  ${VDATA_DIR}/footage.cpp
  ${VDATA_DIR}/footage_grain.cpp
  ${VDATA_DIR}/footage_motion.cpp
  ${VDATA_DIR}/footage_nature.cpp
  ${VDATA_DIR}/footage_patterns.cpp
  ${VDATA_DIR}/footage_scans.cpp
  ${VDATA_DIR}/frame_plan.cpp
  ${VDATA_DIR}/head_phantom.cpp
  ${VDATA_DIR}/mp3_writer.cpp
  ${VDATA_DIR}/music_score.cpp
  ${VDATA_DIR}/music_synth.cpp
  ${VDATA_DIR}/options.cpp
  ${VDATA_DIR}/procedural.cpp
  ${VDATA_DIR}/progress.cpp
  ${VDATA_DIR}/show_pack.cpp
  ${VDATA_DIR}/stills.cpp
)
target_include_directories(velmora_data_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(velmora_data_core PUBLIC clips render models velmora_data_geometry velmora_opencv
                      PkgConfig::LAME OpenMP::OpenMP_CXX Threads::Threads)

add_executable(velmora-data ${VDATA_DIR}/main.cpp)
target_link_libraries(velmora-data PRIVATE velmora_data_core)
