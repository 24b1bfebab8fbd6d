#pragma once

// What the tests reach inside a window for: its controls, its parts and its
// state. Only the tests define it (tests/support/test_seam_access.h); a
// window names it as a friend and shows nothing more for them.
struct TestSeam;
