// The gallery of every widget paints and is written as a PNG into the build tree.
#include "gui/WidgetGallery.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(WidgetGallery, WritesAPictureOfEveryWidget) {
    const std::string path = std::string(MIRELOW_BUILD_DIR) + "/widget-gallery.png";
    std::filesystem::remove(path);
    ASSERT_TRUE(mirelow::gui::renderWidgetGallery(path.c_str()));
    EXPECT_GT(std::filesystem::file_size(path), 10000u);
}
