#pragma once

class Installation;
struct Profile;

// QLevels.TXT, the rotation the game module plays, and <profile>_maps.txt, the profile's own copy: both the play
// list in play order, one level a line. The message file is written by its own page.
void WriteLevelFiles(const Installation& inst, const Profile& profile);
