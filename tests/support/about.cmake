# The About window: its drifting background, controls, links, Help and sounds.
velstrom_add_test(tst_support_aboutwindow tst_aboutwindow.cpp)
