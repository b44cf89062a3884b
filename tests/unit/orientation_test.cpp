// The orientation cycle: captions, order, and where each coefficient set
// sends the corners of the logical screen.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "calibmatrix.h"
#include "orientation.h"

namespace {

// The device's model: X = (m0/1000·x + m1/1000·y + 10·m2) / (m6/1000·x + m7/1000·y + 1).
void Map(const int16_t* m, double x, double y, double* pX, double* pY) {
    MapRaw(SetOf(m), x, y, *pX, *pY);
}

struct Expected {
    const wchar_t* caption;
    std::function<void(double, double, double*, double*)> map;
};

TEST(Orientation, EachSetMapsTheCornersWhereItsOrientationSends) {
    const Expected rows[] = {
        {L"旋转90度", [](double x, double y, double* X, double* Y) { *X = 32770 - y, *Y = x; }},
        {L"旋转180度",
         [](double x, double y, double* X, double* Y) { *X = 32770 - x, *Y = 32770 - y; }},
        {L"旋转270度", [](double x, double y, double* X, double* Y) { *X = y, *Y = 32770 - x; }},
        {L"X镜像", [](double x, double y, double* X, double* Y) { *X = 32770 - x, *Y = y; }},
        {L"Y镜像", [](double x, double y, double* X, double* Y) { *X = x, *Y = 32770 - y; }},
        {L"旋转0度", [](double x, double y, double* X, double* Y) { *X = x, *Y = y; }},
    };
    const double corners[][2] = {{0, 0}, {32767, 0}, {0, 32767}, {32767, 32767}, {1200, 30000}};
    for (const Expected& row : rows) {
        const panel::OrientationStep& step = panel::OrientationForCaption(row.caption);
        ASSERT_EQ(std::wstring(step.caption), std::wstring(row.caption));
        for (const auto& c : corners) {
            double X, Y, wantX, wantY;
            Map(step.matrix, c[0], c[1], &X, &Y);
            row.map(c[0], c[1], &wantX, &wantY);
            EXPECT_NEAR(X, wantX, 1e-9);
            EXPECT_NEAR(Y, wantY, 1e-9);
        }
        // Perspective terms are always 0.
        EXPECT_EQ(step.matrix[6], 0);
        EXPECT_EQ(step.matrix[7], 0);
    }
}

TEST(Orientation, AnyOtherCaptionMeansNoChange) {
    for (const wchar_t* caption : {L"", L"Rotate 90", L"旋转90度 ", L"旋转", L"x镜像"}) {
        const panel::OrientationStep& step = panel::OrientationForCaption(caption);
        EXPECT_EQ(std::wstring(step.next), L"旋转90度");
        const int16_t identity[8] = {1000, 0, 0, 0, 1000, 0, 0, 0};
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(step.matrix[i], identity[i]);
    }
    EXPECT_EQ(&panel::OrientationForCaption(nullptr), &panel::kOrientationCycle[5]);
}

} // namespace
