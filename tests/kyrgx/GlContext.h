#pragma once

namespace quorel::test {

// Makes one process-wide OpenGL context current on an offscreen surface (a
// legacy context, as the program asks for). False when no context can be made.
// Kept apart from GLEW's header, which must not meet Qt's OpenGL headers.
bool make_gl_context_current();

} // namespace quorel::test
