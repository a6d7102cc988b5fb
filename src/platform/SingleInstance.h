#pragma once

#include <QString>

#include <memory>

namespace ie {

class FileLock;

// Holds a lock file in the given folder (the user's run-time folder) while the program runs. A
// second copy fails to take it; a copy that was killed leaves nothing stuck (the lock of a dead
// process is taken over).
class SingleInstance {
public:
    explicit SingleInstance(const QString& lockFolder,
                            const QString& name = QStringLiteral("ienedancho"));
    ~SingleInstance();
    // True when this process now holds the lock; false when another live instance holds it.
    bool tryAcquire();

private:
    std::unique_ptr<FileLock> lock_;
};

}  // namespace ie
