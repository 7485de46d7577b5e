// The installer's main job without its window: copies a patch tree into a game folder with
// the copy engine, printing each file, the percent whenever it changes, and the result.
#include "common/error.h"
#include "common/folder_prefix.h"
#include "engine/class_copy_sys.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_message_loop.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: qly-copy-demo SOURCE-FOLDER GAME-FOLDER\n";
        return 2;
    }
    const std::string source = qly::folderPrefix(argv[1]);
    const std::string game = qly::folderPrefix(argv[2]);

    qly::posix::PosixFileSystem fs;
    qly::posix::PosixMessageLoop loop;
    // The engine recreates the folders below the game folder, not the game folder itself.
    const uint32_t gameAttrs = qly::AttributesOf(fs, game);
    if (gameAttrs == qly::kInvalidAttributes || (gameAttrs & qly::kAttrDirectory) == 0) {
        std::cerr << "no game folder at " << argv[2] << "\n";
        return 2;
    }

    qly::classCopySys CopySys(fs, loop);
    CopySys.ActualFile = [](std::string& fname) { std::cout << "  " << fname << "\n"; };
    CopySys.CopyState = [](int16_t procent, int64_t& total, int64_t& copied) {
        std::cout << procent << "% (" << copied << " of " << total << " bytes)\n";
    };

    std::cout << "copying " << argv[1] << " into " << argv[2] << "\n";
    try {
        const qly::CopyResult result = CopySys.QuickCopy(source, game);
        const int64_t code = result.value_or(0);
        if (code == -2) {
            std::cout << "result: -2 (not enough free space)\n";
            return 1;
        }
        if (code < 0) {
            std::cout << "result: -1 (the copy failed)\n";
            return 1;
        }
        std::cout << "result: " << code << " bytes copied\n";
        return 0;
    } catch (const qly::Error& e) {
        std::cout << "error: " << e.what() << "\n";
        return 1;
    }
}
