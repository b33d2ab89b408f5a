<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>CommandLine</name>
    <message>
        <source>Plays reference notes for tuning a six-string guitar by ear.</source>
        <translation>Joue des notes de référence pour accorder à l’oreille une guitare à six cordes.</translation>
    </message>
    <message>
        <source>Displays this help and exits.</source>
        <translation>Affiche cette aide et quitte.</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;.</source>
        <translation>argument inattendu « %1 ».</translation>
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
        <translation>Double drop D</translation>
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
        <translation>Guitare, 6 cordes</translation>
    </message>
    <message>
        <source>Guitar, 7 strings</source>
        <translation>Guitare, 7 cordes</translation>
    </message>
    <message>
        <source>Bass, 4 strings</source>
        <translation>Basse, 4 cordes</translation>
    </message>
    <message>
        <source>Bass, 5 strings</source>
        <translation>Basse, 5 cordes</translation>
    </message>
    <message>
        <source>Ukulele</source>
        <translation>Ukulélé</translation>
    </message>
    <message>
        <source>Baritone ukulele</source>
        <translation>Ukulélé baryton</translation>
    </message>
    <message>
        <source>Mandolin</source>
        <translation>Mandoline</translation>
    </message>
    <message>
        <source>Banjo, 5 strings</source>
        <translation>Banjo, 5 cordes</translation>
    </message>
    <message>
        <source>Violin</source>
        <translation>Violon</translation>
    </message>
    <message>
        <source>Viola</source>
        <translation>Alto</translation>
    </message>
    <message>
        <source>Cello</source>
        <translation>Violoncelle</translation>
    </message>
    <message>
        <source>Double bass</source>
        <translation>Contrebasse</translation>
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
        <translation>Accordage en D</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Personnalisé</translation>
    </message>
</context>
<context>
    <name>morrowfane::AboutBox</name>
    <message>
        <source>About MorrowFane</source>
        <translation>À propos de MorrowFane</translation>
    </message>
    <message>
        <source>Reference notes for guitars</source>
        <translation>Notes de référence pour guitares</translation>
    </message>
    <message>
        <source>Sound by FluidSynth and RtMidi</source>
        <translation>Son : FluidSynth et RtMidi</translation>
    </message>
    <message>
        <source>Built with Qt 6</source>
        <translation>Conçu avec Qt 6</translation>
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
        <translation>aucune SoundFont trouvée</translation>
    </message>
    <message>
        <source>SoundFont unusable</source>
        <translation>SoundFont inutilisable</translation>
    </message>
    <message>
        <source>no audio output</source>
        <translation>aucune sortie audio</translation>
    </message>
    <message>
        <source>no JACK server</source>
        <translation>aucun serveur JACK</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>non connecté</translation>
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
        <translation>Options</translation>
    </message>
    <message>
        <source>Playback settings</source>
        <translation>Lecture</translation>
    </message>
    <message>
        <source>MIDI settings</source>
        <translation>MIDI</translation>
    </message>
    <message>
        <source>&amp;Root note:</source>
        <translation>Note de &amp;base :</translation>
    </message>
    <message>
        <source>&amp;Tuning:</source>
        <translation>&amp;Accordage :</translation>
    </message>
    <message>
        <source>&amp;Loop</source>
        <translation>&amp;Répéter</translation>
    </message>
    <message>
        <source>R&amp;ate:</source>
        <translation>&amp;Cadence :</translation>
    </message>
    <message>
        <source>A&amp;4 (Hz):</source>
        <translation>A&amp;4 (Hz) :</translation>
    </message>
    <message>
        <source>&amp;Playback device:</source>
        <translation>&amp;Périphérique de sortie :</translation>
    </message>
    <message>
        <source>&amp;Instrument:</source>
        <translation>&amp;Instrument :</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Rate</source>
        <translation>Cadence</translation>
    </message>
    <message>
        <source>A4 (Hz)</source>
        <translation>A4 (Hz)</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 à %2</translation>
    </message>
    <message>
        <source>Increase rate</source>
        <translation>Augmenter la cadence</translation>
    </message>
    <message>
        <source>Decrease rate</source>
        <translation>Diminuer la cadence</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <translation>Veuillez saisir un nombre entier.</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>Veuillez saisir un nombre entier entre %1 et %2.</translation>
    </message>
</context>
<context>
    <name>morrowfane::TunerWindow</name>
    <message>
        <source>%1 sharp %2</source>
        <comment>a note name spoken by a screen reader</comment>
        <translation>%1 dièse %2</translation>
    </message>
    <message>
        <source>MorrowFane</source>
        <translation>MorrowFane</translation>
    </message>
    <message>
        <source>Access to %1 was denied.</source>
        <translation>L’accès à %1 a été refusé.</translation>
    </message>
    <message>
        <source>Disk full while accessing %1.</source>
        <translation>Disque plein lors de l’accès à %1.</translation>
    </message>
    <message>
        <source>An unexpected file error occurred while accessing %1.</source>
        <translation>Une erreur de fichier inattendue s’est produite lors de l’accès à %1.</translation>
    </message>
    <message>
        <source>Keys 1 to %1 play the strings; F1 opens the About box; Escape closes the window.</source>
        <translation>Les touches 1 à %1 jouent les cordes ; F1 ouvre la fenêtre À propos ; Échap ferme la fenêtre.</translation>
    </message>
    <message>
        <source>&amp;About MorrowFane...</source>
        <translation>À &amp;propos de MorrowFane...</translation>
    </message>
    <message>
        <source>&amp;Options...</source>
        <translation>&amp;Options...</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Fermer</translation>
    </message>
    <message>
        <source>String %1: %2</source>
        <translation>Corde %1 : %2</translation>
    </message>
</context>
<context>
    <name>morrowfane::TuningChooser</name>
    <message>
        <source>Strings</source>
        <translation>Cordes</translation>
    </message>
    <message>
        <source>&amp;Strings:</source>
        <translation>C&amp;ordes :</translation>
    </message>
    <message>
        <source>String %1</source>
        <translation>Corde %1</translation>
    </message>
    <message>
        <source>&amp;Notes:</source>
        <translation>&amp;Notes :</translation>
    </message>
</context>
</TS>
