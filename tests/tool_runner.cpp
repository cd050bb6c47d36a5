#include "tests/tool_runner.h"

#include <gtest/gtest.h>

#include "render_cli/render_tool.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

std::string toolMessages;
std::atomic<int> toolInterrupted{0};

int runTool(std::vector<std::string> args, int interrupt)
{
    args.insert(args.begin(), "tavelin-render");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    toolInterrupted = interrupt;
    testing::internal::CaptureStderr();
    const int code = runRenderTool(int(argv.size()), argv.data(), toolInterrupted);
    toolMessages = testing::internal::GetCapturedStderr();
    return code;
}

bool oneLineSaying(const char* text)
{
    return toolMessages.find("tavelin-render: ") == 0 && toolMessages.find('\n') + 1 == toolMessages.size() &&
           toolMessages.find(text) != toolMessages.npos;
}

std::string pngPixels(const std::string& png)
{
    int width = 0, height = 0, components = 0;
    stbi_set_flip_vertically_on_load(1);
    const auto* bytes = reinterpret_cast<const stbi_uc*>(png.data());
    unsigned char* rgb = stbi_load_from_memory(bytes, int(png.size()), &width, &height, &components, 3);
    std::string pixels(std::size_t(width) * height * 3, '\0');
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = char(rgb[i - i % 3 + 2 - i % 3]);
    stbi_image_free(rgb);
    return pixels;
}
