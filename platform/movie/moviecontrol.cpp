#include "platform/movie/moviecontrol.h"

#include "platform/programfolder.h"

#include <QFile>
#include <QMetaMethod>
#include <QMetaObject>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlPropertyMap>
#include <QQuickItem>
#include <QUrl>

// The picture player's document is a resource of this static library; a program
// that links it must register it (Q_INIT_RESOURCE cannot stand in a namespace).
static void initMovieResources()
{
    Q_INIT_RESOURCE(movie);
}

namespace platform {
namespace {

enum class MovieKind { None, Qml, Picture };

// What a movie file holds, judged by its first bytes.
enum class Content { Unreadable, Flash, Picture, Document };

Content sniff(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Content::Unreadable;
    const QByteArray head = file.read(8);
    if (head.startsWith("FWS") || head.startsWith("CWS") || head.startsWith("ZWS"))
        return Content::Flash;
    if (head.startsWith("\xFF\xD8\xFF") || head.startsWith("\x89PNG\r\n\x1A\n"))
        return Content::Picture;
    return Content::Document;
}

// The `movie` object a QML movie sees.
class MovieContext : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString folder READ folder CONSTANT)
    Q_PROPERTY(QObject *variables READ variables NOTIFY variablesChanged)
public:
    explicit MovieContext(MovieControl *control)
        : QObject(control), m_control(control),
          m_folder(QUrl::fromLocalFile(programFolder()).toString())
    {
        renewVariables();
    }

    QString folder() const { return m_folder; }
    QObject *variables() const { return m_variables; }
    QQmlPropertyMap *variableMap() const { return m_variables; }

    // Every movie starts with a store of its own, holding the texts "a" to "y"
    // empty, so that a movie can bind to them before the shell sets them.
    void renewVariables()
    {
        QQmlPropertyMap *old = m_variables;
        m_variables = new QQmlPropertyMap(this);
        for (char name = 'a'; name <= 'y'; ++name)
            m_variables->insert(QString(QLatin1Char(name)), QString());
        emit variablesChanged();
        delete old;
    }

    // Raises the control's FSCommand once the movie's script has returned, so
    // that a handler may unload the movie that sent the command.
    Q_INVOKABLE void fscommand(const QString &command, const QString &args = QString())
    {
        QMetaObject::invokeMethod(
            m_control, [control = m_control, command, args]() { emit control->FSCommand(command, args); },
            Qt::QueuedConnection);
    }

signals:
    void variablesChanged();

private:
    MovieControl *m_control;
    QString m_folder;
    QQmlPropertyMap *m_variables = nullptr;
};

// Index of the movie's root property `name` when the movie's document declares it;
// -1 for names it does not have and for the item's own properties (x, y, width,
// color, ...), which are the item's geometry and looks, not texts of the movie.
int declaredProperty(const QObject *root, const QString &name)
{
    const QByteArray key = name.toUtf8();
    if (key.isEmpty())
        return -1;
    const int index = root->metaObject()->indexOfProperty(key.constData());
    if (index < 0)
        return -1;
    // Types made by QML documents carry "_QML" in their class name; the first
    // class above them is the built-in item type.
    const QMetaObject *builtIn = root->metaObject();
    while (builtIn && QByteArray(builtIn->className()).contains("_QML"))
        builtIn = builtIn->superClass();
    const int firstDeclared = builtIn ? builtIn->propertyCount() : 0;
    return index >= firstDeclared ? index : -1;
}

// Calls a function of the movie's root item when it has one taking no arguments.
void callIfPresent(QObject *root, const char *name)
{
    const QMetaObject *meta = root->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() == name && method.parameterCount() == 0) {
            method.invoke(root, Qt::DirectConnection);
            return;
        }
    }
}

}  // namespace

class MovieControl::Bridge {
public:
    explicit Bridge(MovieControl *control) : context(new MovieContext(control)) {}
    MovieContext *context;
    MovieKind kind = MovieKind::None;
};

MovieControl::MovieControl(QWidget *parent) : QQuickWidget(parent), m_bridge(new Bridge(this))
{
    initMovieResources();
    setResizeMode(QQuickWidget::SizeRootObjectToView);
    setClearColor(Qt::black);
    rootContext()->setContextProperty(QStringLiteral("movie"), m_bridge->context);
}

MovieControl::~MovieControl()
{
    // The widget deletes a movie it was handed only when another replaces it.
    setSource(QUrl());
    delete m_bridge;
}

void MovieControl::Movie(const QString &path)
{
    m_path = path;
    m_percentLoaded = 0;
    m_bridge->kind = MovieKind::None;
    setSource(QUrl());
    m_extraVariables.clear();
    m_bridge->context->renewVariables();
    // The same path may hold another movie now (the design chooser copies over it).
    engine()->clearComponentCache();
    if (path.isEmpty())
        return;

    switch (sniff(path)) {
    case Content::Unreadable:
    case Content::Flash:
        return;
    case Content::Picture:
        setSource(QUrl(QStringLiteral("qrc:/platform/movie/imagemovie.qml")));
        if (QQuickItem *root = rootObject()) {
            root->setProperty("pictureSource", QUrl::fromLocalFile(path));
            if (root->property("pictureStatus").toInt() == 1 /* Image.Ready */) {
                m_bridge->kind = MovieKind::Picture;
                m_percentLoaded = 100;
                return;
            }
        }
        setSource(QUrl());
        return;
    case Content::Document:
        if (loadDocument(path)) {
            m_bridge->kind = MovieKind::Qml;
            m_percentLoaded = 100;
        }
        return;
    }
}

bool MovieControl::loadDocument(const QString &path)
{
    // Compiled from the bytes the file holds now: a document loaded by its URL may
    // come from the engine's compilation cache, which can miss that the design
    // chooser has just copied another movie over the same file.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray document = file.readAll();
    file.close();

    const QUrl url = QUrl::fromLocalFile(path);
    auto *component = new QQmlComponent(engine());
    component->setData(document, url);
    if (!component->isReady()) {
        // The movie's author reads why on the terminal, as from any QML program.
        for (const QQmlError &error : component->errors())
            qWarning().noquote() << error.toString();
        delete component;
        return false;
    }
    QObject *object = component->create(rootContext());
    auto *item = qobject_cast<QQuickItem *>(object);
    if (!item) {
        if (object)
            qWarning().noquote() << url.toString() << ": a movie's root must be an Item";
        delete object;
        delete component;
        return false;
    }
    // The widget owns both from here and deletes them when the movie is unloaded.
    setContent(url, component, item);
    return status() == QQuickWidget::Ready && rootObject() == item;
}

QString MovieControl::MoviePath() const
{
    return m_path;
}

void MovieControl::StopPlay()
{
    setPlaying(false);
}

void MovieControl::Play()
{
    setPlaying(true);
}

void MovieControl::setPlaying(bool playing)
{
    if (m_bridge->kind != MovieKind::Qml)
        return;
    QQuickItem *root = rootObject();
    if (!root)
        return;
    if (root->metaObject()->indexOfProperty("playing") >= 0)
        root->setProperty("playing", playing);
    callIfPresent(root, playing ? "play" : "stopPlay");
}

int MovieControl::PercentLoaded() const
{
    return m_percentLoaded;
}

QString MovieControl::GetVariable(const QString &name) const
{
    if (m_bridge->kind == MovieKind::Qml) {
        if (QQuickItem *root = rootObject()) {
            const int index = declaredProperty(root, name);
            if (index >= 0)
                return root->metaObject()->property(index).read(root).toString();
        }
    }
    const QQmlPropertyMap *map = m_bridge->context->variableMap();
    if (map->contains(name))
        return map->value(name).toString();
    return m_extraVariables.value(name);
}

void MovieControl::SetVariable(const QString &name, const QString &value)
{
    if (m_bridge->kind == MovieKind::Qml) {
        if (QQuickItem *root = rootObject()) {
            const int index = declaredProperty(root, name);
            if (index >= 0 && root->metaObject()->property(index).write(root, value))
                return;
        }
    }
    // Kept by the control, and seen by the movie as movie.variables.NAME. A few
    // names the store cannot take (its own method names) are kept aside.
    QQmlPropertyMap *map = m_bridge->context->variableMap();
    if (!name.isEmpty())
        map->insert(name, value);
    if (!map->contains(name))
        m_extraVariables.insert(name, value);
}

}  // namespace platform

#include "moviecontrol.moc"
