<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CommandLine</name>
    <message>
        <source>Plays reference notes for tuning a six-string guitar by ear.</source>
        <translation>Spielt Referenztöne, um eine sechssaitige Gitarre nach Gehör zu stimmen.</translation>
    </message>
    <message>
        <source>Displays this help and exits.</source>
        <translation>Zeigt diese Hilfe an und beendet das Programm.</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;.</source>
        <translation>unerwartetes Argument „%1“.</translation>
    </message>
</context>
<context>
    <name>TuningNames</name>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Drop D</source>
        <translation>Drop D</translation>
    </message>
    <message>
        <source>Double drop D</source>
        <translation>Doppel-Drop-D</translation>
    </message>
    <message>
        <source>DADGAD</source>
        <translation>DADGAD</translation>
    </message>
    <message>
        <source>Open D</source>
        <translation>Open D</translation>
    </message>
    <message>
        <source>Open G</source>
        <translation>Open G</translation>
    </message>
    <message>
        <source>Guitar, 6 strings</source>
        <translation>Gitarre, 6 Saiten</translation>
    </message>
    <message>
        <source>Guitar, 7 strings</source>
        <translation>Gitarre, 7 Saiten</translation>
    </message>
    <message>
        <source>Bass, 4 strings</source>
        <translation>Bass, 4 Saiten</translation>
    </message>
    <message>
        <source>Bass, 5 strings</source>
        <translation>Bass, 5 Saiten</translation>
    </message>
    <message>
        <source>Ukulele</source>
        <translation>Ukulele</translation>
    </message>
    <message>
        <source>Baritone ukulele</source>
        <translation>Bariton-Ukulele</translation>
    </message>
    <message>
        <source>Mandolin</source>
        <translation>Mandoline</translation>
    </message>
    <message>
        <source>Banjo, 5 strings</source>
        <translation>Banjo, 5 Saiten</translation>
    </message>
    <message>
        <source>Violin</source>
        <translation>Violine</translation>
    </message>
    <message>
        <source>Viola</source>
        <translation>Viola</translation>
    </message>
    <message>
        <source>Cello</source>
        <translation>Violoncello</translation>
    </message>
    <message>
        <source>Double bass</source>
        <translation>Kontrabass</translation>
    </message>
    <message>
        <source>Open E</source>
        <translation>Open E</translation>
    </message>
    <message>
        <source>Open A</source>
        <translation>Open A</translation>
    </message>
    <message>
        <source>Open C</source>
        <translation>Open C</translation>
    </message>
    <message>
        <source>Low G</source>
        <translation>Low G</translation>
    </message>
    <message>
        <source>D tuning</source>
        <translation>D-Stimmung</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Eigene</translation>
    </message>
</context>
<context>
    <name>morrowfane::AboutBox</name>
    <message>
        <source>About MorrowFane</source>
        <translation>Über MorrowFane</translation>
    </message>
    <message>
        <source>Reference notes for guitars</source>
        <translation>Referenztöne für Gitarren</translation>
    </message>
    <message>
        <source>Sound by FluidSynth and RtMidi</source>
        <translation>Klang von FluidSynth und RtMidi</translation>
    </message>
    <message>
        <source>Built with Qt 6</source>
        <translation>Erstellt mit Qt 6</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>morrowfane::DeviceComboBox</name>
    <message>
        <source>no SoundFont found</source>
        <translation>kein SoundFont gefunden</translation>
    </message>
    <message>
        <source>SoundFont unusable</source>
        <translation>SoundFont unbrauchbar</translation>
    </message>
    <message>
        <source>no audio output</source>
        <translation>keine Audioausgabe</translation>
    </message>
    <message>
        <source>no JACK server</source>
        <translation>kein JACK-Server</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>nicht angeschlossen</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>morrowfane::OptionsDialog</name>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Playback settings</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>MIDI settings</source>
        <translation>MIDI</translation>
    </message>
    <message>
        <source>&amp;Root note:</source>
        <translation>&amp;Grundton:</translation>
    </message>
    <message>
        <source>&amp;Tuning:</source>
        <translation>&amp;Stimmung:</translation>
    </message>
    <message>
        <source>&amp;Loop</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>R&amp;ate:</source>
        <translation>&amp;Tempo:</translation>
    </message>
    <message>
        <source>A&amp;4 (Hz):</source>
        <translation>A&amp;4 (Hz):</translation>
    </message>
    <message>
        <source>&amp;Playback device:</source>
        <translation>&amp;Ausgabegerät:</translation>
    </message>
    <message>
        <source>&amp;Instrument:</source>
        <translation>&amp;Instrument:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Rate</source>
        <translation>Tempo</translation>
    </message>
    <message>
        <source>A4 (Hz)</source>
        <translation>A4 (Hz)</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 bis %2</translation>
    </message>
    <message>
        <source>Increase rate</source>
        <translation>Tempo erhöhen</translation>
    </message>
    <message>
        <source>Decrease rate</source>
        <translation>Tempo verringern</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <translation>Bitte geben Sie eine ganze Zahl ein.</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>Bitte geben Sie eine ganze Zahl zwischen %1 und %2 ein.</translation>
    </message>
</context>
<context>
    <name>morrowfane::TunerWindow</name>
    <message>
        <source>%1 sharp %2</source>
        <comment>a note name spoken by a screen reader</comment>
        <translation>%1is %2</translation>
    </message>
    <message>
        <source>MorrowFane</source>
        <translation>MorrowFane</translation>
    </message>
    <message>
        <source>Access to %1 was denied.</source>
        <translation>Der Zugriff auf %1 wurde verweigert.</translation>
    </message>
    <message>
        <source>Disk full while accessing %1.</source>
        <translation>Der Datenträger ist voll: %1 kann nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>An unexpected file error occurred while accessing %1.</source>
        <translation>Beim Zugriff auf %1 ist ein unerwarteter Dateifehler aufgetreten.</translation>
    </message>
    <message>
        <source>Keys 1 to %1 play the strings; F1 opens the About box; Escape closes the window.</source>
        <translation>Die Tasten 1 bis %1 spielen die Saiten; F1 öffnet die Programminformationen; Escape schließt das Fenster.</translation>
    </message>
    <message>
        <source>&amp;About MorrowFane...</source>
        <translation>&amp;Über MorrowFane...</translation>
    </message>
    <message>
        <source>&amp;Options...</source>
        <translation>&amp;Optionen...</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>String %1: %2</source>
        <translation>Saite %1: %2</translation>
    </message>
</context>
<context>
    <name>morrowfane::TuningChooser</name>
    <message>
        <source>Strings</source>
        <translation>Saiten</translation>
    </message>
    <message>
        <source>&amp;Strings:</source>
        <translation>Saite&amp;n:</translation>
    </message>
    <message>
        <source>String %1</source>
        <translation>Saite %1</translation>
    </message>
    <message>
        <source>&amp;Notes:</source>
        <translation>N&amp;oten:</translation>
    </message>
</context>
</TS>
