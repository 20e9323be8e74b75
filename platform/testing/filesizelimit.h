#pragma once
// For tests of writes that fail midway: while a FileSizeLimit lives, no file of
// this process may grow beyond the given size (the write fails with EFBIG rather
// than the process being stopped), whoever runs the test.
#include <csignal>
#include <sys/resource.h>

namespace platform::testing {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_active = getrlimit(RLIMIT_FSIZE, &m_saved) == 0;
        if (!m_active)
            return;
        m_savedSignal = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit tight = m_saved;
        tight.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &tight) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_saved);
        if (m_savedSignal != SIG_ERR)
            std::signal(SIGXFSZ, m_savedSignal);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    // False when the limit could not be set: the test cannot show what it means to.
    bool active() const { return m_active; }

private:
    struct rlimit m_saved {};
    void (*m_savedSignal)(int) = SIG_ERR;
    bool m_active = false;
};

}  // namespace platform::testing
