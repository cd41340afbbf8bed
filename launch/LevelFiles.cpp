#include "launch/LevelFiles.h"

#include "profiles/Profile.h"
#include "support/Installation.h"
#include "support/Quake2Paths.h"
#include "support/TextFile.h"

void writeLevelFiles(const Installation& inst, const Profile& profile, bool profileCopy)
{
    textfile::writeUtf8Lines(inst.file(q2::LevelRotation), profile.playList);
    if (profileCopy)
        textfile::writeUtf8Lines(inst.profileLevelsPath(profile.currentUser), profile.playList);
}
