<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CommandNotice</name>
    <message>
        <source>The camera&apos;s own commands need access to its USB device, which the udev rule grants: run sudo make install, then plug the camera in again.</source>
        <translation>Die eigenen Befehle der Kamera brauchen Zugriff auf ihr USB-Gerät, den die udev-Regel gewährt: führen Sie sudo make install aus und stecken Sie die Kamera dann neu ein.</translation>
    </message>
    <message>
        <source>This camera takes its own commands only while no other program is using it: close the program that shows its picture, then try again.</source>
        <translation>Diese Kamera nimmt ihre eigenen Befehle nur an, solange kein anderes Programm sie verwendet: schließen Sie das Programm, das ihr Bild zeigt, und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The camera does not answer its commands: unplug it and plug it in again.</source>
        <translation>Die Kamera antwortet nicht auf ihre Befehle: ziehen Sie sie ab und stecken Sie sie wieder ein.</translation>
    </message>
    <message>
        <source>The presets file %1 is damaged: %2. ptzdeck leaves it as it is and keeps no presets in it; mend it or move it away.</source>
        <translation>Die Datei der Positionsspeicher %1 ist beschädigt: %2. ptzdeck lässt sie unverändert und speichert keine Positionen darin; reparieren oder verschieben Sie sie.</translation>
    </message>
    <message>
        <source>Presets cannot be kept in %1: %2.</source>
        <translation>Positionsspeicher können nicht in %1 abgelegt werden: %2.</translation>
    </message>
    <message>
        <source>The network camera at %1 does not answer: check that it is on and reachable. Its tab lights again when it answers.</source>
        <translation>Die Netzwerkkamera unter %1 antwortet nicht: Prüfen Sie, ob sie eingeschaltet und erreichbar ist. Ihr Reiter leuchtet wieder, sobald sie antwortet.</translation>
    </message>
</context>
<context>
    <name>Gamepads</name>
    <message>
        <source>Gamepad: %1</source>
        <translation>Gamepad: %1</translation>
    </message>
    <message>
        <source>Gamepad: %1 (no access)</source>
        <translation>Gamepad: %1 (kein Zugriff)</translation>
    </message>
    <message>
        <source>No gamepad</source>
        <translation>Kein Gamepad</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Camera controls</source>
        <translation>Kamerasteuerung</translation>
    </message>
    <message>
        <source>Pan and tilt</source>
        <translation>Schwenken und Neigen</translation>
    </message>
    <message>
        <source>Pan and tilt: drag the knob the way the camera should turn, farther for faster; or hold the arrow keys</source>
        <translation>Schwenken und Neigen: ziehen Sie den Knopf in die Richtung, in die sich die Kamera drehen soll, weiter für schneller; oder halten Sie die Pfeiltasten</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Zoom: drag up or down, or hold T / W</source>
        <translation>Zoom: nach oben oder unten ziehen, oder T / W halten</translation>
    </message>
    <message>
        <source>Focus</source>
        <translation>Fokus</translation>
    </message>
    <message>
        <source>Focus, in manual focus: drag up (far) or down (near), or hold Page Up / Page Down</source>
        <translation>Fokus, bei manuellem Fokus: nach oben (fern) oder unten (nah) ziehen, oder Bild auf / Bild ab halten</translation>
    </message>
    <message>
        <source>Auto focus</source>
        <translation>Autofokus</translation>
    </message>
    <message>
        <source>Auto focus on or off; off, the focus slider works (A)</source>
        <translation>Autofokus ein oder aus; aus wirkt der Fokus-Schieberegler (A)</translation>
    </message>
    <message>
        <source>Auto framing</source>
        <translation>Automatischer Bildausschnitt</translation>
    </message>
    <message>
        <source>Auto framing on or off (F: on, M: off)</source>
        <translation>Automatischer Bildausschnitt ein oder aus (F: ein, M: aus)</translation>
    </message>
    <message>
        <source>Push</source>
        <translation>Einmal</translation>
    </message>
    <message>
        <source>Frame the picture once, now (O)</source>
        <translation>Den Bildausschnitt jetzt einmal anpassen (O)</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Setzen</translation>
    </message>
    <message>
        <source>Store: the next preset digit stores the camera&apos;s position there (S)</source>
        <translation>Speichern: die nächste Ziffer speichert dort die Position der Kamera (S)</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Clear: the next preset digit clears that preset (C)</source>
        <translation>Löschen: die nächste Ziffer löscht diesen Positionsspeicher (C)</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>Grundstellung</translation>
    </message>
    <message>
        <source>Send the camera to its home position (Home or H)</source>
        <translation>Die Kamera in ihre Grundstellung fahren (Pos1 oder H)</translation>
    </message>
    <message>
        <source>Flip</source>
        <translation>Kippen</translation>
    </message>
    <message>
        <source>Turn the picture upside down, or back (V)</source>
        <translation>Das Bild auf den Kopf stellen oder zurück (V)</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Spiegeln</translation>
    </message>
    <message>
        <source>Mirror the picture left to right, or back (R)</source>
        <translation>Das Bild seitenverkehrt spiegeln oder zurück (R)</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Stummschalten</translation>
    </message>
    <message>
        <source>Mute the camera&apos;s picture, or let it through again (U)</source>
        <translation>Das Bild der Kamera stummschalten oder wieder durchlassen (U)</translation>
    </message>
    <message>
        <source>Stay on top</source>
        <translation>Immer im Vordergrund</translation>
    </message>
    <message>
        <source>Keep the panel above other windows, or not (Ctrl+T)</source>
        <translation>Das Bedienfeld über anderen Fenstern halten oder nicht (Strg+T)</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Minimize to the notification area (Ctrl+M)</source>
        <translation>In den Benachrichtigungsbereich minimieren (Strg+M)</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Quit ptzdeck (Ctrl+Q)</source>
        <translation>ptzdeck beenden (Strg+Q)</translation>
    </message>
    <message>
        <source>Picture settings</source>
        <translation>Bildeinstellungen</translation>
    </message>
    <message>
        <source>Show or hide the picture settings (Ctrl+,)</source>
        <translation>Bildeinstellungen anzeigen oder verbergen (Strg+,)</translation>
    </message>
    <message>
        <source>Preset %1</source>
        <translation>Position %1</translation>
    </message>
    <message>
        <source>Recall preset %1 (key %1); after Set, store it; after Clear, clear it</source>
        <translation>Position %1 abrufen (Taste %1); nach Setzen speichern, nach Löschen löschen</translation>
    </message>
    <message>
        <source>Camera %1 (Alt+%1)</source>
        <translation>Kamera %1 (Alt+%1)</translation>
    </message>
    <message>
        <source>Camera %1: %2</source>
        <translation>Kamera %1: %2</translation>
    </message>
    <message>
        <source>Camera %1: none</source>
        <translation>Kamera %1: keine</translation>
    </message>
    <message>
        <source>%1, open</source>
        <translation>%1, geöffnet</translation>
    </message>
    <message>
        <source>Backlight compensation</source>
        <translation>Gegenlichtkompensation</translation>
    </message>
    <message>
        <source>Gamma</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Kontrast</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>Sättigung</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Schärfe</translation>
    </message>
    <message>
        <source>White balance</source>
        <translation>Weißabgleich</translation>
    </message>
    <message>
        <source>%1: drag, or reach it with Tab and change it with the arrow keys</source>
        <translation>%1: ziehen, oder mit Tab erreichen und mit den Pfeiltasten ändern</translation>
    </message>
    <message>
        <source>%1 value</source>
        <translation>Wert für %1</translation>
    </message>
    <message>
        <source>Anti-flicker</source>
        <translation>Flimmerschutz</translation>
    </message>
    <message>
        <source>Anti-flicker: the frequency of the mains that light the room; with Tab and the arrow keys too</source>
        <translation>Flimmerschutz: die Netzfrequenz der Raumbeleuchtung; auch mit Tab und den Pfeiltasten</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Put every picture setting back to the camera&apos;s default</source>
        <translation>Alle Bildeinstellungen auf die Standardwerte der Kamera zurücksetzen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Close the picture settings (Esc)</source>
        <translation>Bildeinstellungen schließen (Esc)</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>Verbergen</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>VISCA bridge: off</source>
        <translation>VISCA-Brücke: aus</translation>
    </message>
    <message>
        <source>VISCA bridge: no camera served</source>
        <translation>VISCA-Brücke: keine Kamera bedient</translation>
    </message>
    <message>
        <source>VISCA bridge, %1</source>
        <translation>VISCA-Brücke, %1</translation>
    </message>
</context>
<context>
    <name>NO_Device</name>
    <message>
        <source>No correct camera was found.</source>
        <translation>Es wurde keine passende Kamera gefunden.</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Quit ptzdeck</source>
        <translation>ptzdeck beenden</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Close this notice; the panel opens a camera when one is plugged in</source>
        <translation>Diesen Hinweis schließen; das Bedienfeld öffnet eine Kamera, sobald eine eingesteckt wird</translation>
    </message>
    <message>
        <source>No camera</source>
        <translation>Keine Kamera</translation>
    </message>
</context>
<context>
    <name>NO_Mord_Camera</name>
    <message>
        <source>No more additional camera was found.</source>
        <translation>Es wurde keine weitere Kamera gefunden.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Close this notice</source>
        <translation>Diesen Hinweis schließen</translation>
    </message>
    <message>
        <source>No more cameras</source>
        <translation>Keine weiteren Kameras</translation>
    </message>
</context>
<context>
    <name>RockerHandle</name>
    <message>
        <source>Moving up and left</source>
        <translation>Bewegt sich nach oben links</translation>
    </message>
    <message>
        <source>Moving up</source>
        <translation>Bewegt sich nach oben</translation>
    </message>
    <message>
        <source>Moving up and right</source>
        <translation>Bewegt sich nach oben rechts</translation>
    </message>
    <message>
        <source>Moving left</source>
        <translation>Bewegt sich nach links</translation>
    </message>
    <message>
        <source>Moving right</source>
        <translation>Bewegt sich nach rechts</translation>
    </message>
    <message>
        <source>Moving down and left</source>
        <translation>Bewegt sich nach unten links</translation>
    </message>
    <message>
        <source>Moving down</source>
        <translation>Bewegt sich nach unten</translation>
    </message>
    <message>
        <source>Moving down and right</source>
        <translation>Bewegt sich nach unten rechts</translation>
    </message>
    <message>
        <source>Still</source>
        <translation>Ruhig</translation>
    </message>
    <message>
        <source>%1 at speed %2 of %3</source>
        <translation>%1 mit Geschwindigkeit %2 von %3</translation>
    </message>
</context>
</TS>
