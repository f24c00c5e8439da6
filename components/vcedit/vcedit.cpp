// The library's C interface over vcedit::Editor.
#include "vcedit.h"
#include "Editor.h"

#include <cstdlib>
#include <new>

struct vcedit_private : vcedit::Editor {
    using vcedit::Editor::Editor;
};

namespace vcedit {

Editor::Editor(vcedit_state* state) : state_(state) {}

Editor::~Editor() {
    if (infoReady_)
        vorbis_info_clear(&info_);
}

} // namespace vcedit

namespace {

template <typename F> int guarded(vcedit_state* state, F&& operation) {
    if (!state || !state->priv)
        return -1;
    try {
        state->lasterror = operation(*state->priv);
    } catch (const std::bad_alloc&) {
        state->lasterror = "Out of memory";
    } catch (...) {
        state->lasterror = "Unexpected failure";
    }
    return state->lasterror ? -1 : 0;
}

} // namespace

extern "C" {

vcedit_state* vcedit_new_state(void) {
    auto* state = new (std::nothrow) vcedit_state{};
    if (!state)
        return nullptr;
    state->vc = static_cast<vorbis_comment*>(std::malloc(sizeof(vorbis_comment)));
    state->priv = new (std::nothrow) vcedit_private(state);
    if (!state->vc || !state->priv) {
        std::free(state->vc);
        delete state->priv;
        delete state;
        return nullptr;
    }
    vorbis_comment_init(state->vc);
    return state;
}

int vcedit_open_callbacks(vcedit_state* state, void* in, vcedit_read_func read_func,
                          vcedit_write_func write_func) {
    return guarded(state,
                   [&](vcedit::Editor& editor) { return editor.open(read_func, in, write_func); });
}

int vcedit_open_read(vcedit_state* state, void* in, vcedit_read_func read_func,
                     vcedit_seek_func seek_func, vcedit_want_func want_func, void* want_context) {
    return guarded(state, [&](vcedit::Editor& editor) {
        return editor.openForReading(read_func, seek_func, in, want_func, want_context);
    });
}

vorbis_comment* vcedit_comments(vcedit_state* state) {
    return state ? state->vc : nullptr;
}

int vcedit_write(vcedit_state* state, void* out) {
    return guarded(state, [&](vcedit::Editor& editor) { return editor.write(out); });
}

void vcedit_clear(vcedit_state* state) {
    if (!state)
        return;
    if (state->vc) {
        vorbis_comment_clear(state->vc);
        std::free(state->vc);
    }
    delete state->priv;
    delete state;
}

} // extern "C"
