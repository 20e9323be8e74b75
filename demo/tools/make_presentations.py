#!/usr/bin/env python3
"""Writes the demo's three short presentations (OpenDocument presentations).

Run once by hand when the slides change; the results are kept in
demo/powerpoint.files/. Usage: make_presentations.py OUTPUT_FOLDER
"""
import sys
import zipfile
from xml.sax.saxutils import escape

SHOWS = {
    "welcome.odp": [
        ("Welcome", ["Korvane Tessaly demo show", "Press Next on the home page for the next presentation"]),
        ("Today", ["A short tour of the show", "Three presentations, one playlist"]),
    ],
    "programme.odp": [
        ("Programme", ["10:00  Opening", "11:30  Workshops", "14:00  Demonstrations", "16:30  Closing"]),
        ("Workshops", ["Room 1: arranging a playlist", "Room 2: changing the design"]),
        ("Demonstrations", ["Home-page texts are edited in place", "and saved with the save button"]),
    ],
    "thanks.odp": [
        ("Thank you", ["for visiting the Korvane Tessaly demo"]),
    ],
}

MANIFEST = """<?xml version="1.0" encoding="UTF-8"?>
<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">
 <manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.presentation"/>
 <manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>
 <manifest:file-entry manifest:full-path="styles.xml" manifest:media-type="text/xml"/>
 <manifest:file-entry manifest:full-path="meta.xml" manifest:media-type="text/xml"/>
</manifest:manifest>
"""

NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
      'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
      'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
      'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
      'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
      'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
      'xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" '
      'xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0" '
      'xmlns:dc="http://purl.org/dc/elements/1.1/"')

STYLES = f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document-styles {NS} office:version="1.2">
 <office:styles/>
 <office:automatic-styles>
  <style:page-layout style:name="PM1">
   <style:page-layout-properties fo:margin-top="0cm" fo:margin-bottom="0cm" fo:margin-left="0cm"
     fo:margin-right="0cm" fo:page-width="28cm" fo:page-height="15.75cm" style:print-orientation="landscape"/>
  </style:page-layout>
  <style:style style:name="dp1" style:family="drawing-page">
   <style:drawing-page-properties draw:fill="solid" draw:fill-color="#062b50"/>
  </style:style>
 </office:automatic-styles>
 <office:master-styles>
  <style:master-page style:name="Default" style:page-layout-name="PM1" draw:style-name="dp1"/>
 </office:master-styles>
</office:document-styles>
"""


def content(slides):
    pages = []
    for number, (title, lines) in enumerate(slides, start=1):
        body = "".join(f'<text:p text:style-name="P2">{escape(line)}</text:p>' for line in lines)
        pages.append(
            f'<draw:page draw:name="page{number}" draw:master-page-name="Default" draw:style-name="dp1">'
            f'<draw:frame draw:style-name="gr1" svg:x="2cm" svg:y="1.5cm" svg:width="24cm" svg:height="3cm">'
            f'<draw:text-box><text:p text:style-name="P1">{escape(title)}</text:p></draw:text-box></draw:frame>'
            f'<draw:frame draw:style-name="gr1" svg:x="2cm" svg:y="5.5cm" svg:width="24cm" svg:height="9cm">'
            f'<draw:text-box>{body}</draw:text-box></draw:frame>'
            f'</draw:page>')
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document-content {NS} office:version="1.2">
 <office:automatic-styles>
  <style:style style:name="dp1" style:family="drawing-page">
   <style:drawing-page-properties draw:fill="solid" draw:fill-color="#062b50"/>
  </style:style>
  <style:style style:name="gr1" style:family="graphic">
   <style:graphic-properties draw:stroke="none" draw:fill="none"/>
  </style:style>
  <style:style style:name="P1" style:family="paragraph">
   <style:text-properties fo:font-size="40pt" fo:font-weight="bold" fo:color="#ffffff"/>
  </style:style>
  <style:style style:name="P2" style:family="paragraph">
   <style:paragraph-properties fo:margin-bottom="0.3cm"/>
   <style:text-properties fo:font-size="24pt" fo:color="#dedeeb"/>
  </style:style>
 </office:automatic-styles>
 <office:body><office:presentation>{"".join(pages)}</office:presentation></office:body>
</office:document-content>
"""


def meta(title):
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document-meta {NS} office:version="1.2">
 <office:meta><dc:title>{escape(title)}</dc:title><meta:generator>Korvane Tessaly demo</meta:generator></office:meta>
</office:document-meta>
"""


def write(path, slides):
    with zipfile.ZipFile(path, "w") as odp:
        # The media type comes first and uncompressed, as the format asks.
        odp.writestr(zipfile.ZipInfo("mimetype", date_time=(2026, 1, 1, 0, 0, 0)),
                     "application/vnd.oasis.opendocument.presentation", compress_type=zipfile.ZIP_STORED)
        for name, text in (("META-INF/manifest.xml", MANIFEST), ("content.xml", content(slides)),
                           ("styles.xml", STYLES), ("meta.xml", meta(slides[0][0]))):
            odp.writestr(zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0)), text,
                         compress_type=zipfile.ZIP_DEFLATED)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    for name, slides in SHOWS.items():
        write(f"{folder}/{name}", slides)


if __name__ == "__main__":
    main()
