#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace pellicor {

// libjpeg reports a fatal error through error_exit, which must not return. This manager
// formats the message and jumps back to the `setjmp(jump)` of the function that called
// libjpeg, which then throws with `message`; warnings and trace messages are dropped.
struct TJpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};

    // The manager to put in the compress or decompress record's `err`.
    jpeg_error_mgr* Install() {
        jpeg_std_error(&manager);
        manager.error_exit = JumpBack;
        manager.emit_message = [](j_common_ptr, int) {};
        return &manager;
    }

private:
    [[noreturn]] static void JumpBack(j_common_ptr info) {
        auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
        (*info->err->format_message)(info, errors->message);
        std::longjmp(errors->jump, 1);
    }
};

}  // namespace pellicor
