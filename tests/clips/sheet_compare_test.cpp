// Comparing contact sheets: a shifted grade or a flattened frame is caught even where the
// structure stays, and files that are not two sheets of one size are refused with a reason.
#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include "clips/contact_sheet.h"
#include "clips/sheet_compare.h"
#include "temp_folder.h"

namespace {

constexpr int kCellW = 64, kCellH = 36;

// A sheet of 25 noisy frames (BGR); the label strips hold text-like noise of their own.
cv::Mat sheetOf(unsigned seed) {
    cv::Mat sheet(kSheetRows * (kCellH + kSheetLabelHeight), kSheetColumns * kCellW, CV_8UC3);
    cv::RNG(seed).fill(sheet, cv::RNG::UNIFORM, 40, 200);
    return sheet;
}

cv::Mat tile(cv::Mat& sheet, int scene) {
    return sheet(cv::Rect(scene % kSheetColumns * kCellW, scene / kSheetColumns * (kCellH + kSheetLabelHeight), kCellW,
                          kCellH));
}

std::vector<SceneLook> compare(const TempFolder& dir, const cv::Mat& a, const cv::Mat& b) {
    cv::imwrite(dir / "a.png", a);
    cv::imwrite(dir / "b.png", b);
    std::vector<SceneLook> looks;
    std::string error;
    EXPECT_TRUE(compareContactSheets(dir / "a.png", dir / "b.png", looks, error)) << error;
    return looks;
}

}  // namespace

TEST(SheetCompare, AShiftedGradeFailsThoughTheStructureStays) {
    TempFolder dir;
    const cv::Mat a = sheetOf(1);
    cv::Mat b = a.clone();
    tile(b, 7) += cv::Scalar(0, 0, 6);                        // red (BGR order) up 6 levels
    cv::Mat flat = tile(b, 12);
    flat.convertTo(flat, -1, 0.8, 0.2 * cv::mean(flat)[0]);  // contrast down 20 %
    cv::Mat labels = b(cv::Rect(0, kCellH, b.cols, kSheetLabelHeight));
    labels.setTo(cv::Scalar(0, 255, 0));                      // labels are not judged
    const std::vector<SceneLook> looks = compare(dir, a, b);
    ASSERT_EQ(looks.size(), 25u);
    EXPECT_GT(looks[7].ssim, 0.97) << "a uniform shift keeps the structure";
    EXPECT_NEAR(looks[7].meanShift[0], 6.0, 0.5);
    EXPECT_NEAR(looks[7].meanShift[2], 0.0, 0.01);
    EXPECT_EQ(lookProblem(looks[7], LookTolerance()), "mean R +6.0");
    EXPECT_NEAR(looks[12].contrastChange[1], -0.2, 0.02);
    EXPECT_NE(lookProblem(looks[12], LookTolerance()).find("contrast G -20 %"), std::string::npos);
    for (int scene : {0, 1, 24}) EXPECT_EQ(lookProblem(looks[scene], LookTolerance()), "") << scene;
}

TEST(SheetCompare, NoisyFramesFailOnStructure) {
    TempFolder dir;
    const std::vector<SceneLook> looks = compare(dir, sheetOf(1), sheetOf(2));
    EXPECT_LT(looks[3].ssim, 0.5);
    EXPECT_EQ(lookProblem(looks[3], LookTolerance()).rfind("SSIM", 0), 0u);
}

TEST(SheetCompare, FilesThatAreNotTwoSheetsOfOneSizeAreRefused) {
    TempFolder dir;
    cv::imwrite(dir / "a.png", sheetOf(1));
    cv::imwrite(dir / "small.png", cv::Mat(cv::Size(kSheetColumns * kCellW, kSheetRows * (kCellH + kSheetLabelHeight) - 3),
                                           CV_8UC3, cv::Scalar(1, 2, 3)));
    cv::imwrite(dir / "other.png", cv::Mat(cv::Size(kSheetColumns * 10, kSheetRows * (10 + kSheetLabelHeight)), CV_8UC3));
    dir.write("text.png", "not a picture");
    std::vector<SceneLook> looks;
    std::vector<SceneColour> colours;
    std::string error;
    EXPECT_FALSE(compareContactSheets(dir / "a.png", dir / "text.png", looks, error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
    EXPECT_FALSE(compareContactSheets(dir / "a.png", dir / "small.png", looks, error));
    EXPECT_NE(error.find("not a contact sheet"), std::string::npos) << error;
    EXPECT_FALSE(compareContactSheets(dir / "a.png", dir / "other.png", looks, error));
    EXPECT_NE(error.find("not two contact sheets of one size"), std::string::npos) << error;
    EXPECT_FALSE(describeContactSheet(dir / "missing.png", colours, error));
    EXPECT_TRUE(looks.empty());
}
