// Still pictures of the show's "videos//" folder that are not frame sequences: the
// carousel photos, the TV photo, the overlay, the credits roll and the blue noise.
#pragma once
#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace vdata {

// Side of the square stills (and height of the wide ones): twice the pack's frame
// height, since the scenes show them larger than the screen.
int stillSize(int packHeight);

cv::Mat3b renderCarouselPhoto(int index, int packHeight);  // index 0..3: "X00000.jpg".. "X00003.jpg"
cv::Mat3b renderTvPhoto(int packHeight);
cv::Mat3b renderOverlay(int packHeight);

// The credits roll: dark stroke-font text on white, tall enough for the rolling scene.
// The lines are placed where that scene's scroll passes across the screen.
cv::Mat3b renderCredits(int packHeight);
const std::vector<std::string>& creditLines();

// Tileable blue noise by void-and-cluster, one independent pattern per channel: every
// value 0..255 occurs equally often and neighbouring thresholds lie far apart.
cv::Mat blueNoiseTexture(int size, int channels, uint32_t seed);

}  // namespace vdata
