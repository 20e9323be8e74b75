// A still picture played as a movie: shown whole, scaled to fit, centred on black.
import QtQuick

Rectangle {
    id: frame
    color: "black"

    property url pictureSource
    readonly property int pictureStatus: picture.status

    Image {
        id: picture
        anchors.fill: parent
        fillMode: Image.PreserveAspectFit
        asynchronous: false
        smooth: true
        source: frame.pictureSource
    }
}
