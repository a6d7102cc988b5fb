#pragma once

#include <QString>

#include <memory>

namespace ie {

class FileLock;

// Creates a new, empty file with a unique name "<prefix><1 to 4 hex digits>.tmp" in folder (the
// temporary folder when folder is empty, taken from tempFolder) and writes its full path into path.
// The file is readable by its owner only. Returns false, leaving path as it was, when no folder is
// known or no file can be created.
bool ModTempFile(const QString& folder, const QString& prefix, QString& path,
                 const QString& tempFolder);

// A run's claim on its scratch file: a lock file "<scratch>.lock" naming this process, held for as
// long as the claim lives. A later start tells the scratch files of runs that have ended (their
// claim is gone or names a dead process) from those of a running copy.
class ScratchClaim {
public:
    explicit ScratchClaim(std::unique_ptr<FileLock> lock);
    ~ScratchClaim();
    ScratchClaim(const ScratchClaim&) = delete;
    ScratchClaim& operator=(const ScratchClaim&) = delete;

private:
    std::unique_ptr<FileLock> lock_;
};

// ModTempFile's file in folder, claimed before it is created so that no clean-up can take it for
// a left-over. Null, path unchanged, when folder is empty or takes no new file.
std::unique_ptr<ScratchClaim> CreateClaimedTempFile(const QString& folder, const QString& prefix,
                                                    QString& path);

// Removes the scratch files "<prefix><hex>.tmp" in folder that no live process claims (a run that
// was killed or ended without removing its own), with their lock files, and the lock files of
// such runs whose scratch file is already gone. A lock a live process holds, and its file, stay.
// Returns how many scratch files were removed.
int RemoveStaleScratchFiles(const QString& folder, const QString& prefix);

}  // namespace ie
