#include "platform/movie/moviestills.h"

#include "platform/movie/moviecontrol.h"

namespace platform {

MovieStills::MovieStills(const QSize &size, const QSize &stageSize)
    : m_size(size), m_stageSize(stageSize)
{
}

MovieStills::~MovieStills() = default;

QImage MovieStills::still(const QString &path)
{
    if (!m_player) {
        m_player = std::make_unique<MovieControl>();
        // Rendered, never seen: the control draws only once it is shown.
        m_player->setAttribute(Qt::WA_DontShowOnScreen);
        m_player->resize(m_stageSize);
        m_player->show();
    }
    m_player->Movie(path);
    QImage frame;
    if (m_player->PercentLoaded() > 0)
        frame = m_player->grabFramebuffer();
    m_player->Movie(QString());
    if (frame.isNull())
        return frame;
    return frame.scaled(m_size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace platform
