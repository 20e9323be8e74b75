// Korvane Tessaly demo style "classic": the frame and home page of the show.
// The home page texts are the movie's variables a to y; their lines are separated
// by carriage returns, as the shell saves and loads them. Every text can be
// edited in place: click it and type over it. a to w are properties of the root;
// x and y name the item's own position, so those two live in movie.variables.
import QtQuick

Rectangle {
    id: root
    width: 1280
    height: 720
    color: "black"

    property string a: "Welcome to Korvane Tessaly"
    property string b: "the show starts in a moment"
    property string c: ""
    property string d: ""
    property string e: ""
    property string f: ""
    property string g: ""
    property string h: ""
    property string i: ""
    property string j: ""
    property string k: ""
    property string l: ""
    property string m: ""
    property string n: ""
    property string o: ""
    property string p: ""
    property string q: ""
    property string r: ""
    property string s: ""
    property string t: ""
    property string u: ""
    property string v: ""
    property string w: ""

    // The shell's texts are loaded once the movie runs.
    Timer {
        interval: 0
        running: true
        onTriggered: movie.fscommand("load", "")
    }

    // The current background, whatever kind of movie it is: a picture, or a QML
    // document when the picture cannot be read.
    Image {
        id: background
        anchors.fill: parent
        fillMode: Image.PreserveAspectCrop
        source: movie.folder + "/background.swf"
        onStatusChanged: if (status === Image.Error) backgroundMovie.source = source
    }
    Loader {
        id: backgroundMovie
        anchors.fill: parent
    }

    // Turns a movie text (CR between lines) into editor text and back.
    function shown(value) { return value.replace(/\r/g, "\n") }
    function stored(value) { return value.replace(/\r\n|\n|\u2029/g, "\r") }
    function ownsText(name) { return name !== "x" && name !== "y" }
    function textOf(name) { return ownsText(name) ? root[name] : (movie.variables[name] || "") }
    function setText(name, value) {
        if (ownsText(name))
            root[name] = value
        else
            movie.variables[name] = value
    }

    component HomeText: TextEdit {
        id: edit
        property string name
        text: root.shown(root.textOf(name))
        onTextChanged: if (activeFocus) root.setText(name, root.stored(text))
        color: "white"
        wrapMode: TextEdit.Wrap
        selectByMouse: true
        font.family: "Tahoma"
        Rectangle {
            anchors.fill: parent
            anchors.margins: -4
            z: -1
            radius: 4
            color: edit.activeFocus ? "#40000000" : "transparent"
            border.color: edit.activeFocus ? "#DEDEEB" : "transparent"
        }
    }

    component MovieButton: Rectangle {
        id: button
        property string label
        property string command
        width: 132
        height: 38
        radius: 19
        color: area.pressed ? "#E08A1E" : (area.containsMouse ? "#0B4A85" : "#062B50")
        border.color: "#DEDEEB"
        border.width: 1
        Text {
            anchors.centerIn: parent
            text: button.label
            color: "white"
            font.family: "Tahoma"
            font.pixelSize: 15
        }
        MouseArea {
            id: area
            anchors.fill: parent
            hoverEnabled: true
            onClicked: movie.fscommand(button.command, "")
        }
    }

    // The frame: a dark band at the top and at the bottom.
    Rectangle {
        id: topBand
        anchors { left: parent.left; right: parent.right; top: parent.top }
        height: parent.height * 0.22
        gradient: Gradient {
            GradientStop { position: 0.0; color: "#E0062B50" }
            GradientStop { position: 1.0; color: "#00062B50" }
        }
    }
    Rectangle {
        id: bottomBand
        anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
        height: 86
        color: "#C0062B50"
    }

    Column {
        id: heading
        anchors { left: parent.left; right: parent.right; top: parent.top }
        anchors.margins: root.width * 0.05
        anchors.topMargin: root.height * 0.12
        spacing: 10
        HomeText { name: "a"; width: parent.width; font.pixelSize: Math.max(28, root.height * 0.07); font.bold: true }
        HomeText { name: "b"; width: parent.width; font.pixelSize: Math.max(16, root.height * 0.035); color: "#F3D9A4" }
    }

    Row {
        anchors { left: parent.left; right: parent.right; top: heading.bottom; bottom: bottomBand.top }
        anchors.margins: root.width * 0.05
        spacing: root.width * 0.03
        // Left: the welcome text c.
        Rectangle {
            width: parent.width * 0.38
            height: parent.height - 20
            radius: 8
            color: "#A0000000"
            HomeText {
                name: "c"
                anchors.fill: parent
                anchors.margins: 18
                font.pixelSize: Math.max(14, root.height * 0.026)
            }
        }
        // Right: the notice board, texts d to y: 22 tiles, five to a row, all of
        // them above the bottom band.
        Grid {
            id: board
            columns: 5
            spacing: 10
            width: parent.width * 0.59
            Repeater {
                model: ["d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n",
                        "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y"]
                Rectangle {
                    width: (board.width - 4 * board.spacing) / 5
                    height: Math.max(34, (board.parent.height - 20 - 4 * board.spacing) / 5)
                    radius: 6
                    color: "#80062B50"
                    HomeText {
                        name: modelData
                        anchors.fill: parent
                        anchors.margins: 8
                        font.pixelSize: Math.max(11, root.height * 0.018)
                    }
                }
            }
        }
    }

    Row {
        anchors.centerIn: bottomBand
        spacing: 14
        MovieButton { label: "<< previous"; command: "korvane_previous_slide" }
        MovieButton { label: "next >>"; command: "korvane_next_slide" }
        MovieButton { label: "save texts"; command: "save" }
        MovieButton { label: "load texts"; command: "load" }
        MovieButton { label: "design"; command: "config" }
        MovieButton { label: "restart"; command: "restart" }
        MovieButton { label: "quit"; command: "quit" }
    }
}
