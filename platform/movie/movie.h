#pragma once
// What the programs use of a movie: the operations of the movie control, without
// the widget, so that logic cores can be tested with a recorded movie.
#include <QString>

namespace platform {

class MoviePlayer {
public:
    virtual ~MoviePlayer() = default;
    // Loads the movie at `path`; the empty text unloads.
    virtual void Movie(const QString &path) = 0;
    virtual QString MoviePath() const = 0;
    virtual void StopPlay() = 0;
    virtual void Play() = 0;
    // 100 when a movie is loaded and shown, 0 when nothing could be loaded.
    virtual int PercentLoaded() const = 0;
    // The empty text for a name the movie does not have (unless set before).
    virtual QString GetVariable(const QString &name) const = 0;
    virtual void SetVariable(const QString &name, const QString &value) = 0;
};

}  // namespace platform
