#pragma once

class Installation;
struct Profile;

// QLevels.TXT, the rotation the game module plays, and <profile>_maps.txt, the profile's own copy: both the play
// list in play order, one level a line. The message file is written by its own page. Without `profileCopy` the
// profile's file is left as it is (it could not be read, and the user has not changed the list since).
void writeLevelFiles(const Installation& inst, const Profile& profile, bool profileCopy = true);
