#pragma once
// Pictures of movies, for lists that show what each file holds. A movie is known
// by its content, as the movie control knows it: what the control would show is
// pictured, anything else has no picture.
#include <QImage>
#include <QSize>
#include <QString>
#include <memory>

namespace platform {

class MovieControl;

class MovieStills {
public:
    // Stills fit in `size` pixels, keeping the movie's proportions; movies are
    // played at `stageSize` before they are scaled down.
    explicit MovieStills(const QSize &size, const QSize &stageSize = QSize(960, 540));
    ~MovieStills();

    // The first frame of the movie at `path`: a picture (JPEG, PNG) fitted on the
    // black stage, a QML movie as it first shows. A null image for what the movie
    // control loads nothing of (Flash files, unreadable files, broken documents).
    QImage still(const QString &path);

private:
    QSize m_size;
    QSize m_stageSize;
    std::unique_ptr<MovieControl> m_player;  // hidden; made at the first still
};

}  // namespace platform
