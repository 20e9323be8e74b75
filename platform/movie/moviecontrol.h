#pragma once
// The movie control: a QQuickWidget that plays QML movies, shows JPEG and PNG
// images scaled to fit, and loads nothing for Flash files or broken documents.
// A movie is known by its content, not its name.
//
// For a QML movie's author: the context object `movie` offers
// movie.fscommand(command, args) (raises FSCommand once the calling script has
// returned, so the shell may unload the movie in its handler) and movie.folder
// (the program folder as a URL). Text variables are string properties that the
// root item declares. Names it does not declare are kept by the control and seen
// by the movie as movie.variables.NAME; "a" to "y" are always there, empty at
// first. Every item has x and y as its position, which a movie cannot redeclare,
// so the texts "x" and "y" live in movie.variables (movie.variables.x).
// StopPlay and Play set the root's `playing` property and call its stopPlay() or
// play() function, where the movie has them.
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
    bool loadDocument(const QString &path);
    void setPlaying(bool playing);

    class Bridge;
    Bridge *m_bridge = nullptr;
    QString m_path;
    int m_percentLoaded = 0;
    QHash<QString, QString> m_extraVariables;
};

}  // namespace platform
