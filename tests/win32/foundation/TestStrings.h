// The string table of the foundation's own test program: two texts in one
// block of sixteen (with a gap between), one in another, none in a fourth.
#pragma once

#define IDS_TEST_CAPTION 14
#define IDS_TEST_GAP 15
#define IDS_TEST_MULTILINE 16
#define IDS_TEST_POUND 40
#define IDS_TEST_NO_BLOCK 1000
