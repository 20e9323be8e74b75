#include "platform/movie/moviecontrol.h"

// Placeholder until the QML player lands: nothing ever loads.
namespace platform {

class MovieControl::Bridge {};

MovieControl::MovieControl(QWidget *parent) : QQuickWidget(parent) {}
MovieControl::~MovieControl() = default;

void MovieControl::Movie(const QString &path) { m_path = path; }
QString MovieControl::MoviePath() const { return m_path; }
void MovieControl::StopPlay() {}
void MovieControl::Play() {}
int MovieControl::PercentLoaded() const { return m_percentLoaded; }
QString MovieControl::GetVariable(const QString &name) const { return m_extraVariables.value(name); }
void MovieControl::SetVariable(const QString &name, const QString &value) { m_extraVariables.insert(name, value); }

}  // namespace platform
