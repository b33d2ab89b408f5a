<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it">
<context>
    <name>CommandLine</name>
    <message>
        <source>Plays reference notes for tuning a six-string guitar by ear.</source>
        <translation>Suona note di riferimento per accordare a orecchio una chitarra a sei corde.</translation>
    </message>
    <message>
        <source>Displays this help and exits.</source>
        <translation>Mostra questo aiuto ed esce.</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;.</source>
        <translation>argomento inatteso «%1».</translation>
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
        <translation>Doppio drop D</translation>
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
        <translation>Chitarra, 6 corde</translation>
    </message>
    <message>
        <source>Guitar, 7 strings</source>
        <translation>Chitarra, 7 corde</translation>
    </message>
    <message>
        <source>Bass, 4 strings</source>
        <translation>Basso, 4 corde</translation>
    </message>
    <message>
        <source>Bass, 5 strings</source>
        <translation>Basso, 5 corde</translation>
    </message>
    <message>
        <source>Ukulele</source>
        <translation>Ukulele</translation>
    </message>
    <message>
        <source>Baritone ukulele</source>
        <translation>Ukulele baritono</translation>
    </message>
    <message>
        <source>Mandolin</source>
        <translation>Mandolino</translation>
    </message>
    <message>
        <source>Banjo, 5 strings</source>
        <translation>Banjo, 5 corde</translation>
    </message>
    <message>
        <source>Violin</source>
        <translation>Violino</translation>
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
        <translation>Contrabbasso</translation>
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
        <translation>Accordatura in D</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Personalizzata</translation>
    </message>
</context>
<context>
    <name>morrowfane::AboutBox</name>
    <message>
        <source>About MorrowFane</source>
        <translation>Informazioni su MorrowFane</translation>
    </message>
    <message>
        <source>Reference notes for guitars</source>
        <translation>Note di riferimento per chitarre</translation>
    </message>
    <message>
        <source>Sound by FluidSynth and RtMidi</source>
        <translation>Suono di FluidSynth e RtMidi</translation>
    </message>
    <message>
        <source>Built with Qt 6</source>
        <translation>Realizzato con Qt 6</translation>
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
        <translation>nessun SoundFont trovato</translation>
    </message>
    <message>
        <source>SoundFont unusable</source>
        <translation>SoundFont inutilizzabile</translation>
    </message>
    <message>
        <source>no audio output</source>
        <translation>nessuna uscita audio</translation>
    </message>
    <message>
        <source>no JACK server</source>
        <translation>nessun server JACK</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>non collegato</translation>
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
        <translation>Opzioni</translation>
    </message>
    <message>
        <source>Playback settings</source>
        <translation>Riproduzione</translation>
    </message>
    <message>
        <source>MIDI settings</source>
        <translation>MIDI</translation>
    </message>
    <message>
        <source>&amp;Root note:</source>
        <translation>Nota &amp;base:</translation>
    </message>
    <message>
        <source>&amp;Tuning:</source>
        <translation>&amp;Accordatura:</translation>
    </message>
    <message>
        <source>&amp;Loop</source>
        <translation>&amp;Ripeti</translation>
    </message>
    <message>
        <source>R&amp;ate:</source>
        <translation>&amp;Velocità:</translation>
    </message>
    <message>
        <source>A&amp;4 (Hz):</source>
        <translation>A&amp;4 (Hz):</translation>
    </message>
    <message>
        <source>&amp;Playback device:</source>
        <translation>&amp;Dispositivo di uscita:</translation>
    </message>
    <message>
        <source>&amp;Instrument:</source>
        <translation>&amp;Strumento:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>Rate</source>
        <translation>Velocità</translation>
    </message>
    <message>
        <source>A4 (Hz)</source>
        <translation>A4 (Hz)</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>da %1 a %2</translation>
    </message>
    <message>
        <source>Increase rate</source>
        <translation>Aumenta la velocità</translation>
    </message>
    <message>
        <source>Decrease rate</source>
        <translation>Diminuisci la velocità</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <translation>Inserire un numero intero.</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>Inserire un numero intero tra %1 e %2.</translation>
    </message>
</context>
<context>
    <name>morrowfane::TunerWindow</name>
    <message>
        <source>%1 sharp %2</source>
        <comment>a note name spoken by a screen reader</comment>
        <translation>%1 diesis %2</translation>
    </message>
    <message>
        <source>MorrowFane</source>
        <translation>MorrowFane</translation>
    </message>
    <message>
        <source>Access to %1 was denied.</source>
        <translation>Accesso a %1 negato.</translation>
    </message>
    <message>
        <source>Disk full while accessing %1.</source>
        <translation>Disco pieno durante l’accesso a %1.</translation>
    </message>
    <message>
        <source>An unexpected file error occurred while accessing %1.</source>
        <translation>Errore imprevisto durante l’accesso al file %1.</translation>
    </message>
    <message>
        <source>Keys 1 to %1 play the strings; F1 opens the About box; Escape closes the window.</source>
        <translation>I tasti da 1 a %1 suonano le corde; F1 apre le informazioni sul programma; Esc chiude la finestra.</translation>
    </message>
    <message>
        <source>&amp;About MorrowFane...</source>
        <translation>&amp;Informazioni su MorrowFane...</translation>
    </message>
    <message>
        <source>&amp;Options...</source>
        <translation>&amp;Opzioni...</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Chiudi</translation>
    </message>
    <message>
        <source>String %1: %2</source>
        <translation>Corda %1: %2</translation>
    </message>
</context>
<context>
    <name>morrowfane::TuningChooser</name>
    <message>
        <source>Strings</source>
        <translation>Corde</translation>
    </message>
    <message>
        <source>&amp;Strings:</source>
        <translation>&amp;Corde:</translation>
    </message>
    <message>
        <source>String %1</source>
        <translation>Corda %1</translation>
    </message>
    <message>
        <source>&amp;Notes:</source>
        <translation>&amp;Note:</translation>
    </message>
</context>
</TS>
