// The demo pages' feature movie: a lighthouse at dusk whose beam turns once the
// page editor has said "cango" and started it with Play.
import QtQuick

Rectangle {
    id: root
    property string cango: "false"
    property bool playing: false
    readonly property bool turning: cango === "true" && playing
    width: 240
    height: 220
    gradient: Gradient {
        GradientStop { position: 0.0; color: "#1b2a4a" }
        GradientStop { position: 0.7; color: "#c8734a" }
        GradientStop { position: 0.71; color: "#2d5b7a" }
        GradientStop { position: 1.0; color: "#17344a" }
    }

    // The beam, turning about the lamp.
    Item {
        id: beam
        x: root.width * 0.5
        y: root.height * 0.28
        Rectangle {
            width: root.width * 0.9
            height: root.height * 0.06
            y: -height / 2
            opacity: 0.55
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0.0; color: "#fff7c2" }
                GradientStop { position: 1.0; color: "transparent" }
            }
        }
        RotationAnimation on rotation {
            running: root.turning
            from: 0
            to: 360
            duration: 4000
            loops: Animation.Infinite
        }
    }

    // The tower and its lamp.
    Rectangle {
        x: root.width * 0.5 - width / 2
        y: root.height * 0.3
        width: root.width * 0.1
        height: root.height * 0.42
        color: "#f2efe6"
        Rectangle { y: parent.height * 0.25; width: parent.width; height: parent.height * 0.12; color: "#b23a2e" }
        Rectangle { y: parent.height * 0.6; width: parent.width; height: parent.height * 0.12; color: "#b23a2e" }
    }
    Rectangle {
        x: root.width * 0.5 - width / 2
        y: root.height * 0.24
        width: root.width * 0.08
        height: width
        radius: width / 2
        color: root.turning ? "#fff3a0" : "#8a8060"
    }
    Text {
        anchors.bottom: parent.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottomMargin: 6
        text: root.turning ? "the light is on" : "waiting for the light"
        color: "#f2efe6"
        font.pixelSize: 12
    }
}
