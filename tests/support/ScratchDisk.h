#pragma once

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <string>

// A small file system of its own (tmpfs) mounted on a folder for the life of the object: a
// disk other than the one the rest of the test lives on. Mounting needs the right to do so
// (root, or a namespace that grants it); tests skip with Why() when it is missing.
class TScratchDisk {
public:
    explicit TScratchDisk(std::string folder) : m_folder(std::move(folder)) {
        if (::mount("orvalo-test", m_folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=4m,mode=0755") == 0)
            m_mounted = true;
        else
            m_why = std::string("cannot mount a file system here: ") + std::strerror(errno);
    }
    ~TScratchDisk() {
        if (m_mounted)
            ::umount2(m_folder.c_str(), MNT_DETACH);
    }
    TScratchDisk(const TScratchDisk&) = delete;
    TScratchDisk& operator=(const TScratchDisk&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Why() const { return m_why; }

private:
    std::string m_folder;
    bool m_mounted = false;
    std::string m_why;
};
