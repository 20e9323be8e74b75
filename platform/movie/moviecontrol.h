#pragma once
// The movie control: a QQuickWidget that plays QML movies, shows JPEG and PNG
// images scaled to fit, and loads nothing for Flash files or broken documents.
// A movie is known by its content, not its name.
//
// For a QML movie's author: the context object `movie` offers
// movie.fscommand(command, args) (raises FSCommand) and movie.folder (the program
// folder as a URL); text variables are string properties of the root item.
#include "platform/movie/movie.h"

#include <QHash>
#include <QQuickWidget>

namespace platform {

class MovieControl : public QQuickWidget, public MoviePlayer {
    Q_OBJECT
public:
    explicit MovieControl(QWidget *parent = nullptr);
    ~MovieControl() override;

    void Movie(const QString &path) override;
    QString MoviePath() const override;
    void StopPlay() override;
    void Play() override;
    int PercentLoaded() const override;
    QString GetVariable(const QString &name) const override;
    void SetVariable(const QString &name, const QString &value) override;

signals:
    void FSCommand(const QString &command, const QString &args);

private:
    class Bridge;
    Bridge *m_bridge = nullptr;
    QString m_path;
    int m_percentLoaded = 0;
    QHash<QString, QString> m_extraVariables;
};

}  // namespace platform
