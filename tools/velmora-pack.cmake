# velmora-pack: packs numbered frames and videos into the show's frame archive (<base>.txt, <base>.bin).
add_library(velmora_pack_inputs STATIC ${CMAKE_CURRENT_LIST_DIR}/velmora_pack/pack_inputs.cpp)
target_include_directories(velmora_pack_inputs PUBLIC ${CMAKE_CURRENT_LIST_DIR}/velmora_pack)
target_link_libraries(velmora_pack_inputs PRIVATE platform_files)

# Footage in (pictures of any common format, videos) and JPEG out, by each system's own
# means: OpenCV, libturbojpeg and FFmpeg's libraries on Linux; WIC and Media Foundation on
# Windows, whose DLLs are loaded when a video is opened, so that the tool still starts
# where Media Foundation is missing (Windows N editions).
if(WIN32)
  set(VELMORA_PACK_HALF win32)
else()
  set(VELMORA_PACK_HALF posix)
endif()
add_library(velmora_pack_footage STATIC
  ${CMAKE_CURRENT_LIST_DIR}/velmora_pack/pack_footage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/velmora_pack/pack_progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/velmora_pack/footage_${VELMORA_PACK_HALF}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/velmora_pack/video_${VELMORA_PACK_HALF}.cpp)
target_link_libraries(velmora_pack_footage PUBLIC velmora_pack_inputs render)
if(WIN32)
  target_link_libraries(velmora_pack_footage PRIVATE windowscodecs ole32 mfuuid)
else()
  target_link_libraries(velmora_pack_footage PRIVATE velmora_opencv PkgConfig::TURBOJPEG PkgConfig::FFMPEG)
endif()

# The pictures are checked with the show's own decoder, on both systems.
set(VELMORA_PICTURE_CHECK picture_check.cpp)
add_executable(velmora-pack ${CMAKE_CURRENT_LIST_DIR}/velmora_pack/main.cpp
               ${CMAKE_CURRENT_LIST_DIR}/velmora_pack/${VELMORA_PICTURE_CHECK})
target_link_libraries(velmora-pack PRIVATE velmora_pack_footage velmora_pack_inputs render)
