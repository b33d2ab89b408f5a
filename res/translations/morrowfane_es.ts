<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>CommandLine</name>
    <message>
        <source>Plays reference notes for tuning a six-string guitar by ear.</source>
        <translation>Reproduce notas de referencia para afinar de oído una guitarra de seis cuerdas.</translation>
    </message>
    <message>
        <source>Displays this help and exits.</source>
        <translation>Muestra esta ayuda y sale.</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;.</source>
        <translation>argumento inesperado «%1».</translation>
    </message>
</context>
<context>
    <name>TuningNames</name>
    <message>
        <source>Standard</source>
        <translation>Estándar</translation>
    </message>
    <message>
        <source>Drop D</source>
        <translation>Drop D</translation>
    </message>
    <message>
        <source>Double drop D</source>
        <translation>Doble drop D</translation>
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
        <translation>Guitarra, 6 cuerdas</translation>
    </message>
    <message>
        <source>Guitar, 7 strings</source>
        <translation>Guitarra, 7 cuerdas</translation>
    </message>
    <message>
        <source>Bass, 4 strings</source>
        <translation>Bajo, 4 cuerdas</translation>
    </message>
    <message>
        <source>Bass, 5 strings</source>
        <translation>Bajo, 5 cuerdas</translation>
    </message>
    <message>
        <source>Ukulele</source>
        <translation>Ukelele</translation>
    </message>
    <message>
        <source>Baritone ukulele</source>
        <translation>Ukelele barítono</translation>
    </message>
    <message>
        <source>Mandolin</source>
        <translation>Mandolina</translation>
    </message>
    <message>
        <source>Banjo, 5 strings</source>
        <translation>Banjo, 5 cuerdas</translation>
    </message>
    <message>
        <source>Violin</source>
        <translation>Violín</translation>
    </message>
    <message>
        <source>Viola</source>
        <translation>Viola</translation>
    </message>
    <message>
        <source>Cello</source>
        <translation>Violonchelo</translation>
    </message>
    <message>
        <source>Double bass</source>
        <translation>Contrabajo</translation>
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
        <translation>Afinación en D</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Personalizada</translation>
    </message>
</context>
<context>
    <name>morrowfane::AboutBox</name>
    <message>
        <source>About MorrowFane</source>
        <translation>Acerca de MorrowFane</translation>
    </message>
    <message>
        <source>Reference notes for guitars</source>
        <translation>Notas de referencia para guitarras</translation>
    </message>
    <message>
        <source>Sound by FluidSynth and RtMidi</source>
        <translation>Sonido de FluidSynth y RtMidi</translation>
    </message>
    <message>
        <source>Built with Qt 6</source>
        <translation>Creado con Qt 6</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
</context>
<context>
    <name>morrowfane::DeviceComboBox</name>
    <message>
        <source>no SoundFont found</source>
        <translation>no se encontró ninguna SoundFont</translation>
    </message>
    <message>
        <source>SoundFont unusable</source>
        <translation>SoundFont inutilizable</translation>
    </message>
    <message>
        <source>no audio output</source>
        <translation>sin salida de audio</translation>
    </message>
    <message>
        <source>no JACK server</source>
        <translation>sin servidor JACK</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>no conectado</translation>
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
        <translation>Opciones</translation>
    </message>
    <message>
        <source>Playback settings</source>
        <translation>Reproducción</translation>
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
        <translation>&amp;Afinación:</translation>
    </message>
    <message>
        <source>&amp;Loop</source>
        <translation>&amp;Repetir</translation>
    </message>
    <message>
        <source>R&amp;ate:</source>
        <translation>&amp;Velocidad:</translation>
    </message>
    <message>
        <source>A&amp;4 (Hz):</source>
        <translation>A&amp;4 (Hz):</translation>
    </message>
    <message>
        <source>&amp;Playback device:</source>
        <translation>&amp;Dispositivo de salida:</translation>
    </message>
    <message>
        <source>&amp;Instrument:</source>
        <translation>&amp;Instrumento:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Rate</source>
        <translation>Velocidad</translation>
    </message>
    <message>
        <source>A4 (Hz)</source>
        <translation>A4 (Hz)</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 a %2</translation>
    </message>
    <message>
        <source>Increase rate</source>
        <translation>Aumentar la velocidad</translation>
    </message>
    <message>
        <source>Decrease rate</source>
        <translation>Reducir la velocidad</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <translation>Introduzca un número entero.</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>Introduzca un número entero entre %1 y %2.</translation>
    </message>
</context>
<context>
    <name>morrowfane::TunerWindow</name>
    <message>
        <source>%1 sharp %2</source>
        <comment>a note name spoken by a screen reader</comment>
        <translation>%1 sostenido %2</translation>
    </message>
    <message>
        <source>MorrowFane</source>
        <translation>MorrowFane</translation>
    </message>
    <message>
        <source>Access to %1 was denied.</source>
        <translation>Se denegó el acceso a %1.</translation>
    </message>
    <message>
        <source>Disk full while accessing %1.</source>
        <translation>Disco lleno al acceder a %1.</translation>
    </message>
    <message>
        <source>An unexpected file error occurred while accessing %1.</source>
        <translation>Se produjo un error de archivo inesperado al acceder a %1.</translation>
    </message>
    <message>
        <source>Keys 1 to %1 play the strings; F1 opens the About box; Escape closes the window.</source>
        <translation>Las teclas 1 a %1 tocan las cuerdas; F1 abre la ventana Acerca de; Escape cierra la ventana.</translation>
    </message>
    <message>
        <source>&amp;About MorrowFane...</source>
        <translation>&amp;Acerca de MorrowFane...</translation>
    </message>
    <message>
        <source>&amp;Options...</source>
        <translation>&amp;Opciones...</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Cerrar</translation>
    </message>
    <message>
        <source>String %1: %2</source>
        <translation>Cuerda %1: %2</translation>
    </message>
</context>
<context>
    <name>morrowfane::TuningChooser</name>
    <message>
        <source>Strings</source>
        <translation>Cuerdas</translation>
    </message>
    <message>
        <source>&amp;Strings:</source>
        <translation>&amp;Cuerdas:</translation>
    </message>
    <message>
        <source>String %1</source>
        <translation>Cuerda %1</translation>
    </message>
    <message>
        <source>&amp;Notes:</source>
        <translation>&amp;Notas:</translation>
    </message>
</context>
</TS>
