// Korvane Tessaly demo style "harbour": the frame and home page of the show.
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
        width: 150
        height: 40
        radius: 4
        color: area.pressed ? "#F2C14E" : (area.containsMouse ? "#2E7D7A" : "#12403F")
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

    // The frame: a sea-green column at the left, a thin rule at the bottom.
    Rectangle {
        id: column
        anchors { left: parent.left; top: parent.top; bottom: parent.bottom }
        width: parent.width * 0.34
        color: "#D012403F"
        Column {
            anchors.fill: parent
            anchors.margins: 28
            anchors.topMargin: root.height * 0.1
            spacing: 18
            HomeText { name: "a"; width: parent.width; font.pixelSize: Math.max(26, root.height * 0.06); font.bold: true }
            Rectangle { width: parent.width * 0.4; height: 4; color: "#F2C14E" }
            HomeText { name: "b"; width: parent.width; font.pixelSize: Math.max(15, root.height * 0.03); color: "#F2C14E" }
            HomeText { name: "c"; width: parent.width; font.pixelSize: Math.max(13, root.height * 0.024) }
        }
    }

    // The timetable: texts d to y in two columns of eleven rows.
    Grid {
        id: timetable
        anchors { left: column.right; right: buttons.left; top: parent.top; bottom: parent.bottom }
        anchors.margins: 30
        anchors.topMargin: root.height * 0.1
        columns: 2
        columnSpacing: 16
        rowSpacing: 6
        Repeater {
            model: ["d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n",
                    "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y"]
            Rectangle {
                width: (timetable.width - timetable.columnSpacing) / 2
                height: Math.max(26, (timetable.height - 10 * timetable.rowSpacing) / 11)
                color: index % 2 ? "#9012403F" : "#B0000000"
                HomeText {
                    name: modelData
                    anchors.fill: parent
                    anchors.leftMargin: 10
                    anchors.topMargin: 4
                    font.pixelSize: Math.max(11, root.height * 0.019)
                }
            }
        }
    }

    Column {
        id: buttons
        anchors { right: parent.right; verticalCenter: parent.verticalCenter; rightMargin: 24 }
        spacing: 12
        MovieButton { label: "next >>"; command: "korvane_next_slide" }
        MovieButton { label: "<< previous"; command: "korvane_previous_slide" }
        MovieButton { label: "save texts"; command: "save" }
        MovieButton { label: "load texts"; command: "load" }
        MovieButton { label: "design"; command: "config" }
        MovieButton { label: "restart"; command: "restart" }
        MovieButton { label: "quit"; command: "quit" }
    }
}
