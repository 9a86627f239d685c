// The folders of src/ depend on each other one way, in the order the README gives: a folder
// includes only itself and the folders before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace romlift {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The order from the README's line "Folder order: `a` → `b` → ...".
std::vector<std::string> folderOrder() {
  std::string readme = readFile(fs::path(ROMLIFT_SOURCE_DIR) / "README.md");
  size_t at = readme.find("Folder order:");
  if (at == std::string::npos) return {};
  std::string line = readme.substr(at, readme.find('\n', at) - at);
  std::vector<std::string> order;
  std::regex folder("`([a-z]+)`");
  for (auto it = std::sregex_iterator(line.begin(), line.end(), folder); it != std::sregex_iterator(); ++it)
    order.push_back((*it)[1]);
  return order;
}

TEST(Layout, FoldersIncludeOnlyThemselvesAndTheFoldersBeforeThem) {
  std::vector<std::string> order = folderOrder();
  ASSERT_FALSE(order.empty()) << "README.md has no \"Folder order:\" line";
  auto rank = [&](const std::string& folder) { return std::find(order.begin(), order.end(), folder) - order.begin(); };
  std::regex include("#include \"([a-z_]+)/[^\"]+\"");
  std::vector<std::string> wrong;
  for (const auto& dir : fs::directory_iterator(fs::path(ROMLIFT_SOURCE_DIR) / "src")) {
    std::string folder = dir.path().filename().string();
    if (rank(folder) == std::ssize(order)) wrong.push_back(folder + " is not in the README's folder order");
    for (const auto& file : fs::directory_iterator(dir.path())) {
      std::string text = readFile(file.path());
      for (auto it = std::sregex_iterator(text.begin(), text.end(), include); it != std::sregex_iterator(); ++it) {
        std::string target = (*it)[1];
        if (rank(target) > rank(folder))
          wrong.push_back(folder + "/" + file.path().filename().string() + " includes " + (*it)[0].str());
      }
    }
  }
  EXPECT_TRUE(wrong.empty()) << ::testing::PrintToString(wrong);
}

}  // namespace
}  // namespace romlift
