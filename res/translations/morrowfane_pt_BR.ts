<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR">
<context>
    <name>CommandLine</name>
    <message>
        <source>Plays reference notes for tuning a six-string guitar by ear.</source>
        <translation>Toca notas de referência para afinar de ouvido um violão ou uma guitarra de seis cordas.</translation>
    </message>
    <message>
        <source>Displays this help and exits.</source>
        <translation>Mostra esta ajuda e sai.</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;.</source>
        <translation>argumento inesperado “%1”.</translation>
    </message>
</context>
<context>
    <name>TuningNames</name>
    <message>
        <source>Standard</source>
        <translation>Padrão</translation>
    </message>
    <message>
        <source>Drop D</source>
        <translation>Drop D</translation>
    </message>
    <message>
        <source>Double drop D</source>
        <translation>Drop D duplo</translation>
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
        <translation>Violão, 6 cordas</translation>
    </message>
    <message>
        <source>Guitar, 7 strings</source>
        <translation>Violão, 7 cordas</translation>
    </message>
    <message>
        <source>Bass, 4 strings</source>
        <translation>Baixo, 4 cordas</translation>
    </message>
    <message>
        <source>Bass, 5 strings</source>
        <translation>Baixo, 5 cordas</translation>
    </message>
    <message>
        <source>Ukulele</source>
        <translation>Ukulele</translation>
    </message>
    <message>
        <source>Baritone ukulele</source>
        <translation>Ukulele barítono</translation>
    </message>
    <message>
        <source>Mandolin</source>
        <translation>Bandolim</translation>
    </message>
    <message>
        <source>Banjo, 5 strings</source>
        <translation>Banjo, 5 cordas</translation>
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
        <translation>Violoncelo</translation>
    </message>
    <message>
        <source>Double bass</source>
        <translation>Contrabaixo</translation>
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
        <translation>Afinação em D</translation>
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
        <translation>Sobre o MorrowFane</translation>
    </message>
    <message>
        <source>Reference notes for guitars</source>
        <translation>Notas de referência para violões e guitarras</translation>
    </message>
    <message>
        <source>Sound by FluidSynth and RtMidi</source>
        <translation>Som por FluidSynth e RtMidi</translation>
    </message>
    <message>
        <source>Built with Qt 6</source>
        <translation>Feito com Qt 6</translation>
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
        <translation>nenhum SoundFont encontrado</translation>
    </message>
    <message>
        <source>SoundFont unusable</source>
        <translation>SoundFont inutilizável</translation>
    </message>
    <message>
        <source>no audio output</source>
        <translation>sem saída de áudio</translation>
    </message>
    <message>
        <source>no JACK server</source>
        <translation>sem servidor JACK</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>não conectado</translation>
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
        <translation>Opções</translation>
    </message>
    <message>
        <source>Playback settings</source>
        <translation>Reprodução</translation>
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
        <translation>&amp;Afinação:</translation>
    </message>
    <message>
        <source>&amp;Loop</source>
        <translation>&amp;Repetir</translation>
    </message>
    <message>
        <source>R&amp;ate:</source>
        <translation>&amp;Velocidade:</translation>
    </message>
    <message>
        <source>A&amp;4 (Hz):</source>
        <translation>A&amp;4 (Hz):</translation>
    </message>
    <message>
        <source>&amp;Playback device:</source>
        <translation>&amp;Dispositivo de saída:</translation>
    </message>
    <message>
        <source>&amp;Instrument:</source>
        <translation>&amp;Instrumento:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Rate</source>
        <translation>Velocidade</translation>
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
        <translation>Aumentar a velocidade</translation>
    </message>
    <message>
        <source>Decrease rate</source>
        <translation>Diminuir a velocidade</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <translation>Digite um número inteiro.</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>Digite um número inteiro entre %1 e %2.</translation>
    </message>
</context>
<context>
    <name>morrowfane::TunerWindow</name>
    <message>
        <source>%1 sharp %2</source>
        <comment>a note name spoken by a screen reader</comment>
        <translation>%1 sustenido %2</translation>
    </message>
    <message>
        <source>MorrowFane</source>
        <translation>MorrowFane</translation>
    </message>
    <message>
        <source>Access to %1 was denied.</source>
        <translation>O acesso a %1 foi negado.</translation>
    </message>
    <message>
        <source>Disk full while accessing %1.</source>
        <translation>Disco cheio ao acessar %1.</translation>
    </message>
    <message>
        <source>An unexpected file error occurred while accessing %1.</source>
        <translation>Ocorreu um erro de arquivo inesperado ao acessar %1.</translation>
    </message>
    <message>
        <source>Keys 1 to %1 play the strings; F1 opens the About box; Escape closes the window.</source>
        <translation>As teclas 1 a %1 tocam as cordas; F1 abre a janela Sobre; Esc fecha a janela.</translation>
    </message>
    <message>
        <source>&amp;About MorrowFane...</source>
        <translation>&amp;Sobre o MorrowFane...</translation>
    </message>
    <message>
        <source>&amp;Options...</source>
        <translation>&amp;Opções...</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Fechar</translation>
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
        <translation>Cordas</translation>
    </message>
    <message>
        <source>&amp;Strings:</source>
        <translation>&amp;Cordas:</translation>
    </message>
    <message>
        <source>String %1</source>
        <translation>Corda %1</translation>
    </message>
    <message>
        <source>&amp;Notes:</source>
        <translation>&amp;Notas:</translation>
    </message>
</context>
</TS>
