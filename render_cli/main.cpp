// tavelin-render: the command-line renderer of tavelin. See render_tool.h.
#include "platform/interrupt.h"
#include "render_cli/render_tool.h"

int main(int argc, char** argv)
{
    static std::atomic<int> interrupted{0};
    catchInterrupt(&interrupted);
    return runRenderTool(argc, argv, interrupted);
}
