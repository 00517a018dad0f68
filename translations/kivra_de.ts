<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>%1 (v%2), Licensed using: %3</source>
        <translation>%1 (v%2), lizenziert unter: %3</translation>
    </message>
</context>
<context>
    <name>CalDialog</name>
    <message>
        <source>Add new calibration value</source>
        <translation>Neuen Kalibrierwert hinzufügen</translation>
    </message>
    <message>
        <source>  Add</source>
        <translation>  Hinzufügen</translation>
    </message>
    <message>
        <source>  Done</source>
        <translation>  Fertig</translation>
    </message>
    <message>
        <source>Adding this point to the sensors calibration list would break the graphs linearity, please try again.</source>
        <translation>Dieser Kalibrierpunkt würde die Monotonie der Kennlinie des Sensors verletzen. Bitte erneut versuchen.</translation>
    </message>
    <message>
        <source>Adding a value that close to 0 as the first calibration point would break visualization, please add larger or smaller value first.</source>
        <translation>Ein so nahe bei 0 liegender Wert als erster Kalibrierpunkt würde die Darstellung stören. Bitte zuerst einen größeren oder kleineren Wert hinzufügen.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
</context>
<context>
    <name>CalibrationError</name>
    <message>
        <source>not a regular file</source>
        <translation>keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>File: %1</source>
        <translation>Datei: %1</translation>
    </message>
    <message>
        <source>Element: %1</source>
        <translation>Element: %1</translation>
    </message>
    <message>
        <source>Reason: %1</source>
        <translation>Grund: %1</translation>
    </message>
</context>
<context>
    <name>CaptureLogReader</name>
    <message>
        <source>&quot;%1&quot; is not a capture log: line %2 %3.</source>
        <translation>„%1“ ist keine Aufzeichnungsdatei: Zeile %2 %3.</translation>
    </message>
    <message>
        <source>is not the header line of one</source>
        <translation>ist nicht deren Kopfzeile</translation>
    </message>
    <message>
        <source>is missing</source>
        <translation>fehlt</translation>
    </message>
    <message>
        <source>is too long for the header line of one</source>
        <translation>ist zu lang für deren Kopfzeile</translation>
    </message>
    <message>
        <source>&quot;%1&quot; ends inside its header line (line 1).</source>
        <translation>„%1“ endet in der Kopfzeile (Zeile 1).</translation>
    </message>
    <message>
        <source>is too long for the column line of one</source>
        <translation>ist zu lang für deren Spaltenzeile</translation>
    </message>
    <message>
        <source>&quot;%1&quot; ends inside its column line (line 2).</source>
        <translation>„%1“ endet in der Spaltenzeile (Zeile 2).</translation>
    </message>
    <message>
        <source>&quot;%1&quot;, line %2: %3.</source>
        <translation>„%1“, Zeile %2: %3.</translation>
    </message>
    <message>
        <source>names the column &quot;%1&quot; twice</source>
        <translation>nennt die Spalte „%1“ zweimal</translation>
    </message>
    <message>
        <source>is not the column line of one (&quot;%1&quot; is no column title)</source>
        <translation>ist nicht deren Spaltenzeile („%1“ ist kein Spaltentitel)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be read: %2.</source>
        <translation>„%1“ kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>the row has a different number of fields (%1) than the column line (%2)</source>
        <translation>die Zeile hat eine andere Anzahl Felder (%1) als die Spaltenzeile (%2)</translation>
    </message>
    <message>
        <source>the row does not end with &quot;;&quot;</source>
        <translation>die Zeile endet nicht mit „;“</translation>
    </message>
    <message>
        <source>the field of column &quot;%1&quot; is empty</source>
        <translation>das Feld der Spalte „%1“ ist leer</translation>
    </message>
    <message>
        <source>&quot;%1&quot; in column &quot;%2&quot; is out of range</source>
        <translation>„%1“ in Spalte „%2“ liegt außerhalb des Wertebereichs</translation>
    </message>
    <message>
        <source>&quot;%1&quot; in column &quot;%2&quot; is not a number</source>
        <translation>„%1“ in Spalte „%2“ ist keine Zahl</translation>
    </message>
    <message>
        <source>the file changed while it was read</source>
        <translation>die Datei wurde während des Lesens geändert</translation>
    </message>
    <message>
        <source>the row is longer than any row of a capture log</source>
        <translation>die Zeile ist länger als jede Zeile einer Aufzeichnung</translation>
    </message>
    <message>
        <source>not a capture log: line %1 %2</source>
        <translation>keine Aufzeichnung: Zeile %1 %2</translation>
    </message>
    <message>
        <source>Can&apos;t open file : %1</source>
        <translation>Datei kann nicht geöffnet werden: %1</translation>
    </message>
    <message>
        <source>the file ends inside its header line</source>
        <translation>die Datei endet in ihrer Kopfzeile</translation>
    </message>
    <message>
        <source>the file ends inside its column line</source>
        <translation>die Datei endet in ihrer Spaltenzeile</translation>
    </message>
    <message>
        <source>%1 at byte %2</source>
        <translation>%1 bei Byte %2</translation>
    </message>
    <message>
        <source>no JSON object</source>
        <translation>kein JSON-Objekt</translation>
    </message>
    <message>
        <source>not a regular file (a FIFO, a socket or a device)</source>
        <translation>keine reguläre Datei (ein FIFO, ein Socket oder ein Gerät)</translation>
    </message>
</context>
<context>
    <name>FileNamePattern</name>
    <message>
        <source>a &quot;}&quot; without its &quot;{&quot; at character %1</source>
        <translation>ein „}“ ohne sein „{“ an Zeichen %1</translation>
    </message>
    <message>
        <source>a &quot;{&quot; without its &quot;}&quot; at character %1</source>
        <translation>ein „{“ ohne sein „}“ an Zeichen %1</translation>
    </message>
    <message>
        <source>unknown placeholder %1</source>
        <translation>unbekannter Platzhalter %1</translation>
    </message>
    <message>
        <source>every number up to %1 is taken</source>
        <translation>jede Nummer bis %1 ist vergeben</translation>
    </message>
</context>
<context>
    <name>GreyScaleBar</name>
    <message>
        <source>Grey level of the grid&apos;s cells: the raw reading from 0 % (black) to 100 % (white). The mark at the top counts the cells at 100 % or above.</source>
        <translation>Graustufe der Rasterzellen: der Rohwert von 0 % (schwarz) bis 100 % (weiß). Die Marke oben zählt die Zellen bei 100 % und darüber.</translation>
    </message>
</context>
<context>
    <name>Grid8x8Widget</name>
    <message>
        <source>not logged</source>
        <translation>nicht aufgezeichnet</translation>
    </message>
</context>
<context>
    <name>KivraTolm</name>
    <message>
        <source>The port in host:port must be a number, not &quot;%1&quot;.</source>
        <translation>Der Port in host:port muss eine Zahl sein, nicht „%1“.</translation>
    </message>
    <message>
        <source>The port in host:port is out of range: &quot;%1&quot;.</source>
        <translation>Der Port in host:port liegt außerhalb des Zahlenbereichs: „%1“.</translation>
    </message>
</context>
<context>
    <name>LastSession</name>
    <message>
        <source>Restore the Last Session at Start</source>
        <translation>Letzte Sitzung beim Start wiederherstellen</translation>
    </message>
    <message>
        <source>Start with the calibration file, settings and window of the last session.</source>
        <translation>Mit Kalibrierdatei, Einstellungen und Fenster der letzten Sitzung starten.</translation>
    </message>
    <message>
        <source>The last session&apos;s calibration file %1 is gone.</source>
        <translation>Die Kalibrierdatei %1 der letzten Sitzung ist nicht mehr vorhanden.</translation>
    </message>
    <message>
        <source>The last session&apos;s calibration file %1 could not be loaded.</source>
        <translation>Die Kalibrierdatei %1 der letzten Sitzung konnte nicht geladen werden.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>  Bar Graph</source>
        <translation>  Balken</translation>
    </message>
    <message>
        <source>  Grid</source>
        <translation>  Raster</translation>
    </message>
    <message>
        <source>Capture Timing</source>
        <translation>Abtastung</translation>
    </message>
    <message>
        <source>Sample Rate:</source>
        <translation>Abtastrate:</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>Sample To Sample Time (hms):</source>
        <translation>Messwertabstand (hms):</translation>
    </message>
    <message>
        <source>Digital I/Os</source>
        <translation>Digitale E/A</translation>
    </message>
    <message>
        <source>If enabled, I/O 0 is configured as input.</source>
        <translation>Wenn aktiviert, ist E/A 0 ein Eingang.</translation>
    </message>
    <message>
        <source>  In</source>
        <translation>  Ein</translation>
    </message>
    <message>
        <source>If I/O 0 is an output, drive it low.</source>
        <translation>Ist E/A 0 ein Ausgang, wird er auf Low gesetzt.</translation>
    </message>
    <message>
        <source>  Low</source>
        <translation>  Low</translation>
    </message>
    <message>
        <source>If I/O 0 is an output, drive it high.</source>
        <translation>Ist E/A 0 ein Ausgang, wird er auf High gesetzt.</translation>
    </message>
    <message>
        <source>  High</source>
        <translation>  High</translation>
    </message>
    <message>
        <source>If enabled, I/O 1 is configured as input.</source>
        <translation>Wenn aktiviert, ist E/A 1 ein Eingang.</translation>
    </message>
    <message>
        <source>If I/O 1 is an output, drive it low.</source>
        <translation>Ist E/A 1 ein Ausgang, wird er auf Low gesetzt.</translation>
    </message>
    <message>
        <source>If I/O 1 is an output, drive it high.</source>
        <translation>Ist E/A 1 ein Ausgang, wird er auf High gesetzt.</translation>
    </message>
    <message>
        <source>If enabled, I/O 2 is configured as input.</source>
        <translation>Wenn aktiviert, ist E/A 2 ein Eingang.</translation>
    </message>
    <message>
        <source>If I/O 2 is an output, drive it low.</source>
        <translation>Ist E/A 2 ein Ausgang, wird er auf Low gesetzt.</translation>
    </message>
    <message>
        <source>If I/O 2 is an output, drive it high.</source>
        <translation>Ist E/A 2 ein Ausgang, wird er auf High gesetzt.</translation>
    </message>
    <message>
        <source>If enabled, I/O 3 is configured as input.</source>
        <translation>Wenn aktiviert, ist E/A 3 ein Eingang.</translation>
    </message>
    <message>
        <source>If I/O 3 is an output, drive it low.</source>
        <translation>Ist E/A 3 ein Ausgang, wird er auf Low gesetzt.</translation>
    </message>
    <message>
        <source>If I/O 3 is an output, drive it high.</source>
        <translation>Ist E/A 3 ein Ausgang, wird er auf High gesetzt.</translation>
    </message>
    <message>
        <source>Include Digital I/Os in log file.</source>
        <translation>Digitale E/A in die Logdatei aufnehmen.</translation>
    </message>
    <message>
        <source>  Log</source>
        <translation>  Log</translation>
    </message>
    <message>
        <source>Analog Inputs</source>
        <translation>Analogeingänge</translation>
    </message>
    <message>
        <source>Analog In 0:</source>
        <translation>Analogeingang 0:</translation>
    </message>
    <message>
        <source>Include Analog In 0 in log file.</source>
        <translation>Analogeingang 0 in die Logdatei aufnehmen.</translation>
    </message>
    <message>
        <source>Analog In 1: </source>
        <translation>Analogeingang 1: </translation>
    </message>
    <message>
        <source>Include Analog In 1 in log file.</source>
        <translation>Analogeingang 1 in die Logdatei aufnehmen.</translation>
    </message>
    <message>
        <source>Analog In 2: </source>
        <translation>Analogeingang 2: </translation>
    </message>
    <message>
        <source>Include Analog In 2 in log file.</source>
        <translation>Analogeingang 2 in die Logdatei aufnehmen.</translation>
    </message>
    <message>
        <source>Analog In 3: </source>
        <translation>Analogeingang 3: </translation>
    </message>
    <message>
        <source>Include Analog In 3 in log file.</source>
        <translation>Analogeingang 3 in die Logdatei aufnehmen.</translation>
    </message>
    <message>
        <source>Hardware Counter</source>
        <translation>Hardwarezähler</translation>
    </message>
    <message>
        <source>Counter Value: </source>
        <translation>Zählerstand: </translation>
    </message>
    <message>
        <source>Include Counter in log file.</source>
        <translation>Zählerstand in die Logdatei aufnehmen.</translation>
    </message>
    <message>
        <source>  Reset</source>
        <translation>  Löschen</translation>
    </message>
    <message>
        <source>Captured Samples</source>
        <translation>Erfasster Messwert</translation>
    </message>
    <message>
        <source>Sample Timer:</source>
        <translation>Zeitstempel:</translation>
    </message>
    <message>
        <source>Include Capture Sample Timer in log file.</source>
        <translation>Zeitstempel der Messwerte in die Logdatei aufnehmen.</translation>
    </message>
    <message>
        <source>Capture</source>
        <translation>Aufzeichnung</translation>
    </message>
    <message>
        <source>Log File:</source>
        <translation>Logdatei:</translation>
    </message>
    <message>
        <source>Select the file where capture data will be stored.</source>
        <translation>Die Datei wählen, in der die Aufzeichnung gespeichert wird.</translation>
    </message>
    <message>
        <source>  Choose Output File</source>
        <translation>  Logdatei wählen</translation>
    </message>
    <message>
        <source>Start Capture:</source>
        <translation>Start der Aufzeichnung:</translation>
    </message>
    <message>
        <source>Pre Trigger Samples:</source>
        <translation>Vortrigger-Messwerte:</translation>
    </message>
    <message>
        <source>Defines the count of frames to store in front of the trigger event.</source>
        <translation>Anzahl der Messwerte, die vor dem Triggerereignis gespeichert werden.</translation>
    </message>
    <message>
        <source>Pre Trigger Time:</source>
        <translation>Vortrigger-Zeit:</translation>
    </message>
    <message>
        <source>Stop Capture:</source>
        <translation>Ende der Aufzeichnung:</translation>
    </message>
    <message>
        <source>Number of Samples to Capture:</source>
        <translation>Anzahl Messwerte:</translation>
    </message>
    <message>
        <source>Count of samples to capture after the trigger event.</source>
        <translation>Anzahl der Messwerte, die nach dem Triggerereignis aufgezeichnet werden.</translation>
    </message>
    <message>
        <source>Capture Time:</source>
        <translation>Aufzeichnungsdauer:</translation>
    </message>
    <message>
        <source>d</source>
        <translation>d</translation>
    </message>
    <message>
        <source>Time frame for capture after trigger event.</source>
        <translation>Dauer der Aufzeichnung nach dem Triggerereignis.</translation>
    </message>
    <message>
        <source>Capture Trigger Events:</source>
        <translation>Triggerereignisse:</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;If enabled, trigger events based on sensor intensity can be configured.&lt;/p&gt;&lt;p&gt;This is only possible on calibrated sensors.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Wenn aktiviert, können Triggerereignisse nach der Intensität der Sensoren eingestellt werden.&lt;/p&gt;&lt;p&gt;Das ist nur bei kalibrierten Sensoren möglich.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>  Level Trigger</source>
        <translation>  Pegeltrigger</translation>
    </message>
    <message>
        <source>If enabled, a trigger is created when the counter changes.</source>
        <translation>Wenn aktiviert, löst eine Änderung des Zählerstands den Trigger aus.</translation>
    </message>
    <message>
        <source>  Extern Trigger</source>
        <translation>  Externer Trigger</translation>
    </message>
    <message>
        <source>Force a trigger event.</source>
        <translation>Ein Triggerereignis erzwingen.</translation>
    </message>
    <message>
        <source>  Force Trigger</source>
        <translation>  Trigger erzwingen</translation>
    </message>
    <message>
        <source>Activate to capture frames on the next trigger event.</source>
        <translation>Aktivieren, um beim nächsten Triggerereignis Messwerte aufzuzeichnen.</translation>
    </message>
    <message>
        <source>  Arm Trigger</source>
        <translation>  Trigger scharf</translation>
    </message>
    <message>
        <source>Load Calibration</source>
        <translation>Kalibrierung laden</translation>
    </message>
    <message>
        <source>Load calibration data from Kivra CAL lite calibration file.</source>
        <translation>Kalibrierdaten aus einer Kalibrierdatei von Kivra CAL lite laden.</translation>
    </message>
    <message>
        <source>Start Kivra CAL lite</source>
        <translation>Kivra CAL lite starten</translation>
    </message>
    <message>
        <source>Start Kivra CAL lite to calibrate sensor values.</source>
        <translation>Kivra CAL lite starten, um die Sensoren zu kalibrieren.</translation>
    </message>
    <message>
        <source>Select Theme</source>
        <translation>Design wählen</translation>
    </message>
    <message>
        <source>Select theme to use in GUI.</source>
        <translation>Das Design der Oberfläche wählen.</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>About the application and license information.</source>
        <translation>Über das Programm und seine Lizenzen.</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Exit Kivra DAQ lite.</source>
        <translation>Kivra DAQ lite beenden.</translation>
    </message>
    <message>
        <source>Kivra Tolm CAL lite 2.0</source>
        <translation>Kivra Tolm CAL lite 2.0</translation>
    </message>
    <message>
        <source>Insert calibration points for the currently selected sensors.</source>
        <translation>Kalibrierpunkte für die ausgewählten Sensoren eintragen.</translation>
    </message>
    <message>
        <source>  Add calibration points</source>
        <translation>  Kalibrierpunkte hinzufügen</translation>
    </message>
    <message>
        <source>Reset calibration points for all sensors.</source>
        <translation>Die Kalibrierpunkte aller Sensoren löschen.</translation>
    </message>
    <message>
        <source>  Reset all sensors</source>
        <translation>  Alle Punkte löschen</translation>
    </message>
    <message>
        <source>Define the measurement unit for all sensors.</source>
        <translation>Die Maßeinheit für alle Sensoren festlegen.</translation>
    </message>
    <message>
        <source>Value unit</source>
        <translation>Einheit</translation>
    </message>
    <message>
        <source>Load Calibration ...</source>
        <translation>Laden ...</translation>
    </message>
    <message>
        <source>Load calibration from file.</source>
        <translation>Kalibrierung aus einer Datei laden.</translation>
    </message>
    <message>
        <source>Save Calibration</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save calibration to current file.</source>
        <translation>Kalibrierung in die aktuelle Datei speichern.</translation>
    </message>
    <message>
        <source>Save Calibration as ...</source>
        <translation>Speichern unter ...</translation>
    </message>
    <message>
        <source>Save calibration values to new file.</source>
        <translation>Kalibrierung in eine neue Datei speichern.</translation>
    </message>
    <message>
        <source>Save and Exit</source>
        <translation>Speichern und beenden</translation>
    </message>
    <message>
        <source>Save calibration to current file and exit CAL.</source>
        <translation>Kalibrierung in die aktuelle Datei speichern und CAL beenden.</translation>
    </message>
    <message>
        <source>Set Mode ...</source>
        <translation>Sensormodus ...</translation>
    </message>
    <message>
        <source>Select the sensors that should be included in the overall process.</source>
        <translation>Die Sensoren wählen, die kalibriert werden.</translation>
    </message>
    <message>
        <source>Exit CAL without save.</source>
        <translation>CAL ohne Speichern beenden.</translation>
    </message>
    <message>
        <source> — emulated board</source>
        <translation> — emulierte Messkarte</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Error: %1
Retry ?</source>
        <translation>Fehler: %1
Erneut versuchen?</translation>
    </message>
    <message>
        <source>  Trend</source>
        <translation>  Verlauf</translation>
    </message>
    <message>
        <source>Kivra Tolm DAQ lite 2.0</source>
        <translation>Kivra Tolm DAQ lite 2.0</translation>
    </message>
    <message>
        <source> - Orvane GmbH</source>
        <translation> - Orvane GmbH</translation>
    </message>
    <message>
        <source>V</source>
        <translation>V</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Captured: %1</source>
        <translation>Aufgezeichnet: %1</translation>
    </message>
    <message>
        <source>Armed</source>
        <translation>Scharf</translation>
    </message>
    <message>
        <source> - Gaps: %1</source>
        <translation> - Lücken: %1</translation>
    </message>
    <message>
        <source>%1/%2 - Samples: %3 - %4</source>
        <translation>%1/%2 - Messwerte: %3 - %4</translation>
    </message>
    <message>
        <source> - Can&apos;t write %1: %2, %3 rows waiting</source>
        <translation> - %1 kann nicht geschrieben werden: %2, %3 Zeilen warten</translation>
    </message>
    <message>
        <source> - Can&apos;t write %1: %2</source>
        <translation> - %1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Failed to load calibration data: %1</source>
        <translation>Die Kalibrierdaten konnten nicht geladen werden: %1</translation>
    </message>
    <message>
        <source>Select file to load</source>
        <translation>Zu ladende Datei wählen</translation>
    </message>
    <message>
        <source>Tolm calibration files V3 (*.tolmcal3)</source>
        <translation>Tolm-Kalibrierdateien V3 (*.tolmcal3)</translation>
    </message>
    <message>
        <source>Failed to start Kivra CAL lite: %1</source>
        <translation>Kivra CAL lite konnte nicht gestartet werden: %1</translation>
    </message>
    <message>
        <source>Select file to store capture data</source>
        <translation>Logdatei für die Aufzeichnung wählen</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>No output file specified.</source>
        <translation>Keine Logdatei angegeben.</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>Frage</translation>
    </message>
    <message>
        <source>File exists, overwrite ?</source>
        <translation>Die Datei existiert bereits. Überschreiben?</translation>
    </message>
    <message>
        <source>  Stop</source>
        <translation>  Stopp</translation>
    </message>
    <message>
        <source>%1 captured rows could not be written to %2: %3</source>
        <translation>%1 aufgezeichnete Zeilen konnten nicht in %2 geschrieben werden: %3</translation>
    </message>
    <message>
        <source>Select to include for the next calibration point insertion.</source>
        <translation>Auswählen, um beim nächsten Kalibrierpunkt einbezogen zu werden.</translation>
    </message>
    <message>
        <source>Define sensitivity for the sensors in this column (Range 0..63).</source>
        <translation>Empfindlichkeit der Sensoren dieser Spalte festlegen (Bereich 0..63).</translation>
    </message>
    <message>
        <source>Remove all calibration points from the current column.</source>
        <translation>Alle Kalibrierpunkte dieser Spalte löschen.</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Please store configuration and terminate application.</source>
        <translation>Bitte die Kalibrierung speichern und das Programm beenden.</translation>
    </message>
    <message>
        <source>Reset?</source>
        <translation>Löschen?</translation>
    </message>
    <message>
        <source>Reset all?</source>
        <translation>Alle löschen?</translation>
    </message>
    <message>
        <source>At least one sensors already contains calibration data, reset before continue?</source>
        <translation>Mindestens ein Sensor hat bereits Kalibrierpunkte. Vorher löschen?</translation>
    </message>
    <message>
        <source>Failed to load configuration</source>
        <translation>Kalibrierung konnte nicht geladen werden</translation>
    </message>
    <message>
        <source>Failed to save configuration</source>
        <translation>Kalibrierung konnte nicht gespeichert werden</translation>
    </message>
    <message>
        <source>Unsaved data exists, really load ?</source>
        <translation>Es gibt ungespeicherte Daten. Trotzdem laden?</translation>
    </message>
    <message>
        <source>Select file to store</source>
        <translation>Zieldatei wählen</translation>
    </message>
    <message>
        <source>There is unsaved data, exit without saving ?</source>
        <translation>Es gibt ungespeicherte Daten. Ohne Speichern beenden?</translation>
    </message>
    <message>
        <source>A unit can&apos;t contain &quot;;&quot; or a line break and has at most %1 characters.</source>
        <translation>Eine Einheit darf kein „;“ und keinen Zeilenumbruch enthalten und höchstens %1 Zeichen lang sein.</translation>
    </message>
    <message>
        <source>%1 could not be loaded. Replace it with the calibration shown here?</source>
        <translation>%1 konnte nicht geladen werden. Durch die hier angezeigte Kalibrierung ersetzen?</translation>
    </message>
    <message>
        <source>, %1 rows lost</source>
        <translation>, %1 Zeilen verloren</translation>
    </message>
    <message>
        <source>%1 is in use by another capture.</source>
        <translation>%1 wird von einer anderen Aufzeichnung verwendet.</translation>
    </message>
    <message>
        <source>The log file %1 cannot be created.</source>
        <translation>Die Logdatei %1 kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>
%1 of them were dropped: more than %2 MB waited in memory.</source>
        <translation>
%1 davon wurden verworfen: mehr als %2 MB warteten im Speicher.</translation>
    </message>
    <message>
        <source>
Save the rows kept in memory in another file?</source>
        <translation>
Die im Speicher gehaltenen Zeilen in einer anderen Datei speichern?</translation>
    </message>
    <message>
        <source>Network...</source>
        <translation>Netzwerk ...</translation>
    </message>
    <message>
        <source>Publish this bench to an MQTT broker.</source>
        <translation>Diesen Messplatz an einen MQTT-Broker veröffentlichen.</translation>
    </message>
    <message>
        <source>The level of the level trigger in the calibration&apos;s unit: sets the trigger line of every bar graph.</source>
        <translation>Der Pegel des Pegeltriggers in der Einheit der Kalibrierung: setzt die Triggerlinie aller Balken.</translation>
    </message>
    <message>
        <source>No calibration file</source>
        <translation>Keine Kalibrierdatei</translation>
    </message>
    <message>
        <source>Calibration: %1</source>
        <translation>Kalibrierung: %1</translation>
    </message>
    <message>
        <source>The log file name %1 cannot be used: %2.
A name may hold {n}, {date} and {time}; {{ and }} stand for a brace.</source>
        <translation>Der Name der Logdatei %1 ist nicht verwendbar: %2.
Ein Name darf {n}, {date} und {time} enthalten; {{ und }} stehen für eine geschweifte Klammer.</translation>
    </message>
    <message>
        <source>Last capture: %1 rows in %2</source>
        <translation>Letzte Aufzeichnung: %1 Zeilen in %2</translation>
    </message>
    <message>
        <source>Picture of the grid (PNG) ...</source>
        <translation>Bild des Rasters (PNG) ...</translation>
    </message>
    <message>
        <source>Picture of the bar graphs (PNG) ...</source>
        <translation>Bild der Balken (PNG) ...</translation>
    </message>
    <message>
        <source>Statistics threshold reset to %1 for the new unit</source>
        <translation>Schwelle der Statistik für die neue Einheit auf %1 zurückgesetzt</translation>
    </message>
    <message>
        <source>Export a picture</source>
        <translation>Bild exportieren</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG-Bilder (*.png)</translation>
    </message>
    <message>
        <source>The picture cannot be written to %1.</source>
        <translation>Das Bild kann nicht in %1 geschrieben werden.</translation>
    </message>
    <message>
        <source>No tab %1.</source>
        <translation>Kein Reiter %1.</translation>
    </message>
    <message>
        <source>Last capture: no trigger, nothing written</source>
        <translation>Letzte Aufzeichnung: kein Trigger, nichts geschrieben</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Recent Calibration Files</source>
        <translation>Zuletzt verwendete Kalibrierdateien</translation>
    </message>
    <message>
        <source>Open Log for Review...</source>
        <translation>Log im Verlauf öffnen...</translation>
    </message>
    <message>
        <source>Recent Logs</source>
        <translation>Zuletzt verwendete Logdateien</translation>
    </message>
    <message>
        <source>No calibration can be loaded while a capture runs.</source>
        <translation>Während einer Aufzeichnung kann keine Kalibrierung geladen werden.</translation>
    </message>
    <message>
        <source>%1 is gone and was taken off the list.</source>
        <translation>%1 ist nicht mehr vorhanden und wurde aus der Liste entfernt.</translation>
    </message>
</context>
<context>
    <name>ModeDialog</name>
    <message>
        <source>Select Sensor Mode</source>
        <translation>Sensormodus wählen</translation>
    </message>
    <message>
        <source>8 sensor mode</source>
        <translation>8 Sensoren</translation>
    </message>
    <message>
        <source>All sensors</source>
        <translation>Alle Sensoren</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Benutzerdefiniert</translation>
    </message>
</context>
<context>
    <name>NetworkBench</name>
    <message>
        <source>Broker %1: cannot read the password file %2: %3</source>
        <translation>Broker %1: Passwortdatei %2 nicht lesbar: %3</translation>
    </message>
    <message>
        <source>Broker %1: connecting</source>
        <translation>Broker %1: verbinde</translation>
    </message>
    <message>
        <source>Broker %1: connected</source>
        <translation>Broker %1: verbunden</translation>
    </message>
    <message>
        <source>Broker %1: %2</source>
        <translation>Broker %1: %2</translation>
    </message>
</context>
<context>
    <name>NetworkDialog</name>
    <message>
        <source>Network</source>
        <translation>Netzwerk</translation>
    </message>
    <message>
        <source>Publish this bench&apos;s status, live values and capture events to an MQTT broker. Leave the host empty to publish nothing.</source>
        <translation>Zustand, Live-Werte und Aufzeichnungsereignisse dieses Messplatzes an einen MQTT-Broker veröffentlichen. Ohne Host wird nichts veröffentlicht.</translation>
    </message>
    <message>
        <source>Broker host:</source>
        <translation>Broker-Host:</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Topic prefix:</source>
        <translation>Topic-Präfix:</translation>
    </message>
    <message>
        <source>User:</source>
        <translation>Benutzer:</translation>
    </message>
    <message>
        <source>Password file:</source>
        <translation>Passwortdatei:</translation>
    </message>
    <message>
        <source>Choose...</source>
        <translation>Auswählen ...</translation>
    </message>
    <message>
        <source>CA file (TLS):</source>
        <translation>CA-Datei (TLS):</translation>
    </message>
    <message>
        <source>Live values:</source>
        <translation>Live-Werte:</translation>
    </message>
    <message>
        <source>Newest frame of each tick</source>
        <translation>Neuester Messwert je Takt</translation>
    </message>
    <message>
        <source>Every frame</source>
        <translation>Jeder Messwert</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Give the prefix as topic levels such as lab/bench1, without + or # and without / at either end.</source>
        <translation>Das Präfix besteht aus Topic-Ebenen wie lab/bench1, ohne + oder # und ohne / am Anfang oder Ende.</translation>
    </message>
</context>
<context>
    <name>RecentMenu</name>
    <message>
        <source>No files yet</source>
        <translation>Noch keine Dateien</translation>
    </message>
    <message>
        <source>Clear List</source>
        <translation>Liste leeren</translation>
    </message>
</context>
<context>
    <name>ReplayBar</name>
    <message>
        <source>One second back.</source>
        <translation>Eine Sekunde zurück.</translation>
    </message>
    <message>
        <source>-1 s</source>
        <translation>-1 s</translation>
    </message>
    <message>
        <source>One frame back (left arrow key).</source>
        <translation>Einen Messwert zurück (Pfeiltaste links).</translation>
    </message>
    <message>
        <source>-1</source>
        <translation>-1</translation>
    </message>
    <message>
        <source>Play the log from this frame on.</source>
        <translation>Die Logdatei ab diesem Messwert abspielen.</translation>
    </message>
    <message>
        <source>  Play</source>
        <translation>  Abspielen</translation>
    </message>
    <message>
        <source>One frame forward (right arrow key).</source>
        <translation>Einen Messwert vor (Pfeiltaste rechts).</translation>
    </message>
    <message>
        <source>+1</source>
        <translation>+1</translation>
    </message>
    <message>
        <source>One second forward.</source>
        <translation>Eine Sekunde vor.</translation>
    </message>
    <message>
        <source>+1 s</source>
        <translation>+1 s</translation>
    </message>
    <message>
        <source>How fast the log is played.</source>
        <translation>Wie schnell die Logdatei abgespielt wird.</translation>
    </message>
    <message>
        <source>Every row of the log.</source>
        <translation>Alle Zeilen der Logdatei.</translation>
    </message>
    <message>
        <source>Show the newest frames again.</source>
        <translation>Wieder die neuesten Messwerte zeigen.</translation>
    </message>
    <message>
        <source>  Back to live</source>
        <translation>  Zurück zu live</translation>
    </message>
    <message>
        <source>%1×</source>
        <translation>%1×</translation>
    </message>
    <message>
        <source>Replay of %1</source>
        <translation>Wiedergabe von %1</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>Calibration: the log&apos;s own, %1</source>
        <translation>Kalibrierung: die der Logdatei, %1</translation>
    </message>
    <message>
        <source>Calibration: the log&apos;s own, as loaded, %1</source>
        <translation>Kalibrierung: die der Logdatei, wie geladen, %1</translation>
    </message>
    <message>
        <source>Calibration: the loaded one, %1, while the log&apos;s own is read, %2</source>
        <translation>Kalibrierung: die geladene, %1, während die der Logdatei gelesen wird, %2</translation>
    </message>
    <message>
        <source>Calibration: the loaded one, %1; the log&apos;s own, %2, is not found or has changed</source>
        <translation>Kalibrierung: die geladene, %1; die der Logdatei, %2, ist nicht zu finden oder wurde geändert</translation>
    </message>
    <message>
        <source>Calibration: the loaded one, %1; the log has no description that names its own</source>
        <translation>Kalibrierung: die geladene, %1; keine Beschreibungsdatei nennt die der Logdatei</translation>
    </message>
    <message>
        <source>Calibration: none, as when the log was made</source>
        <translation>Kalibrierung: keine, wie bei der Aufzeichnung</translation>
    </message>
    <message>
        <source>  Pause</source>
        <translation>  Pause</translation>
    </message>
    <message>
        <source>Frame %1 of %2</source>
        <translation>Messwert %1 von %2</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1, %2 from the trigger</source>
        <translation>%1, %2 ab Trigger</translation>
    </message>
    <message>
        <source>%1 from the trigger (at %2 Hz, the log has no time stamps)</source>
        <translation>%1 ab Trigger (bei %2 Hz, die Logdatei hat keine Zeitstempel)</translation>
    </message>
    <message>
        <source>%1 from the trigger (at %2 Hz, the log&apos;s time stamps go back)</source>
        <translation>%1 ab Trigger (bei %2 Hz, die Zeitstempel der Logdatei laufen zurück)</translation>
    </message>
    <message>
        <source>before the trigger</source>
        <translation>vor dem Trigger</translation>
    </message>
    <message>
        <source>after the trigger</source>
        <translation>nach dem Trigger</translation>
    </message>
</context>
<context>
    <name>SelDialog</name>
    <message>
        <source>Select device to use</source>
        <translation>Messkarte wählen</translation>
    </message>
    <message>
        <source>First USB device</source>
        <translation>Erste USB-Messkarte</translation>
    </message>
    <message>
        <source>Ethernet device</source>
        <translation>Ethernet-Messkarte</translation>
    </message>
</context>
<context>
    <name>SensorWidget</name>
    <message>
        <source>not logged</source>
        <translation>nicht aufgezeichnet</translation>
    </message>
</context>
<context>
    <name>StatisticsPanel</name>
    <message>
        <source>Statistics</source>
        <translation>Statistik</translation>
    </message>
    <message>
        <source>Sensors at or above this value are active.</source>
        <translation>Sensoren ab diesem Wert sind aktiv.</translation>
    </message>
    <message>
        <source>Show centre and trail</source>
        <translation>Schwerpunkt und Spur zeigen</translation>
    </message>
    <message>
        <source>Draw the centre of the active sensors and its path over the last two seconds on the grid.</source>
        <translation>Den Schwerpunkt der aktiven Sensoren und seinen Weg in den letzten zwei Sekunden über das Raster zeichnen.</translation>
    </message>
    <message>
        <source>Sum:</source>
        <translation>Summe:</translation>
    </message>
    <message>
        <source>Maximum:</source>
        <translation>Höchstwert:</translation>
    </message>
    <message>
        <source>Active:</source>
        <translation>Aktiv:</translation>
    </message>
    <message>
        <source>Active mean:</source>
        <translation>Mittel der aktiven:</translation>
    </message>
    <message>
        <source>Centre:</source>
        <translation>Schwerpunkt:</translation>
    </message>
    <message>
        <source>Threshold:</source>
        <translation>Schwelle:</translation>
    </message>
    <message>
        <source>Raw readings in %; all 64 sensors count.</source>
        <translation>Rohwerte in %; alle 64 Sensoren zählen.</translation>
    </message>
    <message>
        <source>Values in the calibration&apos;s unit; only sensors with calibration points count: %1.</source>
        <translation>Werte in der Einheit der Kalibrierung; nur Sensoren mit Kalibrierpunkten zählen: %1.</translation>
    </message>
    <message>
        <source>none</source>
        <translation>kein Wert</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>%L1 / %L2 (%3)</source>
        <translation>%L1 / %L2 (%3)</translation>
    </message>
    <message>
        <source>no centre</source>
        <translation>kein Schwerpunkt</translation>
    </message>
</context>
<context>
    <name>ThemeDialog</name>
    <message>
        <source>Set GUI Theme</source>
        <translation>Design wählen</translation>
    </message>
    <message>
        <source>System Theme</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Dark Fusion Theme</source>
        <translation>Fusion dunkel</translation>
    </message>
    <message>
        <source>Light Fusion Theme</source>
        <translation>Fusion hell</translation>
    </message>
</context>
<context>
    <name>TrendChart</name>
    <message>
        <source>Row %1</source>
        <translation>Zeile %1</translation>
    </message>
    <message>
        <source>Trigger</source>
        <translation>Trigger</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>no value</source>
        <translation>kein Wert</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 rows</source>
        <translation>%1 Zeilen</translation>
    </message>
</context>
<context>
    <name>TrendView</name>
    <message>
        <source>Span:</source>
        <translation>Zeitfenster:</translation>
    </message>
    <message>
        <source>Time shown across the chart.</source>
        <translation>Die Zeit, die das Diagramm zeigt.</translation>
    </message>
    <message>
        <source>Stop the chart; acquisition and captures go on.</source>
        <translation>Das Diagramm anhalten; Erfassung und Aufzeichnung laufen weiter.</translation>
    </message>
    <message>
        <source>  Pause</source>
        <translation>  Pause</translation>
    </message>
    <message>
        <source>Show the newest frames again.</source>
        <translation>Wieder die neuesten Messwerte zeigen.</translation>
    </message>
    <message>
        <source>  Back to live</source>
        <translation>  Zurück zu live</translation>
    </message>
    <message>
        <source>Show a capture log in the chart.</source>
        <translation>Eine Aufzeichnung im Diagramm zeigen.</translation>
    </message>
    <message>
        <source>  Open log ...</source>
        <translation>  Log öffnen ...</translation>
    </message>
    <message>
        <source>Scroll back over the kept history.</source>
        <translation>Durch den gespeicherten Verlauf zurückblättern.</translation>
    </message>
    <message>
        <source>Sensors</source>
        <translation>Sensoren</translation>
    </message>
    <message>
        <source>Inputs</source>
        <translation>Eingänge</translation>
    </message>
    <message>
        <source>Log details</source>
        <translation>Details der Aufzeichnung</translation>
    </message>
    <message>
        <source>Counter</source>
        <translation>Zähler</translation>
    </message>
    <message>
        <source>10 s</source>
        <translation>10 s</translation>
    </message>
    <message>
        <source>1 min</source>
        <translation>1 min</translation>
    </message>
    <message>
        <source>10 min</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>Live</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>V</source>
        <translation>V</translation>
    </message>
    <message>
        <source>Open capture log</source>
        <translation>Aufzeichnung öffnen</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV-Dateien (*.csv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Reading %1 ...</source>
        <translation>%1 wird gelesen ...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Open log</source>
        <translation>Log öffnen</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Whole log</source>
        <translation>Ganzes Log</translation>
    </message>
    <message>
        <source>Log %1: %2 rows</source>
        <translation>Log %1: %2 Zeilen</translation>
    </message>
    <message>
        <source> - the last row was incomplete and is not shown</source>
        <translation> - die letzte Zeile war unvollständig und wird nicht gezeigt</translation>
    </message>
    <message>
        <source>No description file beside the log.</source>
        <translation>Keine Beschreibungsdatei neben dem Log.</translation>
    </message>
    <message>
        <source>Reason: %1
</source>
        <translation>Grund: %1
</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>File: %1</source>
        <translation>Datei: %1</translation>
    </message>
    <message>
        <source>Line: %1</source>
        <translation>Zeile: %1</translation>
    </message>
    <message>
        <source>Reason: %1</source>
        <translation>Grund: %1</translation>
    </message>
    <message>
        <source>The description file (%1) is larger than %2 and is not shown.</source>
        <translation>Die Beschreibungsdatei (%1) ist größer als %2 und wird nicht gezeigt.</translation>
    </message>
    <message>
        <source>The description file cannot be read: %1.</source>
        <translation>Die Beschreibungsdatei kann nicht gelesen werden: %1.</translation>
    </message>
    <message>
        <source>The description file is not JSON: %1.</source>
        <translation>Die Beschreibungsdatei ist kein JSON: %1.</translation>
    </message>
    <message>
        <source>Board: %1</source>
        <translation>Messkarte: %1</translation>
    </message>
    <message>
        <source>%1 (emulated)</source>
        <translation>%1 (emuliert)</translation>
    </message>
    <message>
        <source>Calibration: %1</source>
        <translation>Kalibrierung: %1</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>%1 (unit %2)</source>
        <translation>%1 (Einheit %2)</translation>
    </message>
    <message>
        <source>Trigger: %1 at %2</source>
        <translation>Trigger: %1 um %2</translation>
    </message>
    <message>
        <source>Rows: %1</source>
        <translation>Zeilen: %1</translation>
    </message>
    <message>
        <source>Gaps: %1 (%2 ms without frames)</source>
        <translation>Lücken: %1 (%2 ms ohne Messwerte)</translation>
    </message>
    <message numerus="yes">
        <source>The last row of %1 was incomplete, as when a capture is cut short. Rows shown: %n.</source>
        <translation>
            <numerusform>Die letzte Zeile von %1 war unvollständig, wie bei einer abgebrochenen Aufzeichnung. %n Zeile davor wird gezeigt.</numerusform>
            <numerusform>Die letzte Zeile von %1 war unvollständig, wie bei einer abgebrochenen Aufzeichnung. %n Zeilen davor werden gezeigt.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The rest of %1 after line %2 (%3) is zero bytes, not text, as when a file is extended but never written. Rows shown: %n.</source>
        <translation>
            <numerusform>Der Rest von %1 nach Zeile %2 (%3) besteht aus Null-Bytes, nicht aus Text, wie bei einer verlängerten, aber nie beschriebenen Datei. %n Zeile davor wird gezeigt.</numerusform>
            <numerusform>Der Rest von %1 nach Zeile %2 (%3) besteht aus Null-Bytes, nicht aus Text, wie bei einer verlängerten, aber nie beschriebenen Datei. %n Zeilen davor werden gezeigt.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The rest of %1 after line %2 (%3) is not text and is left out. Rows shown: %n.</source>
        <translation>
            <numerusform>Der Rest von %1 nach Zeile %2 (%3) ist kein Text und wird ausgelassen. %n Zeile davor wird gezeigt.</numerusform>
            <numerusform>Der Rest von %1 nach Zeile %2 (%3) ist kein Text und wird ausgelassen. %n Zeilen davor werden gezeigt.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Fields of %1 without a value (nan, inf or beyond the float range): %n. The traces break there.</source>
        <translation>
            <numerusform>%n Feld von %1 hat keinen Wert (nan, inf oder außerhalb des float-Bereichs); die Kurven sind dort unterbrochen.</numerusform>
            <numerusform>%n Felder von %1 haben keinen Wert (nan, inf oder außerhalb des float-Bereichs); die Kurven sind dort unterbrochen.</numerusform>
        </translation>
    </message>
    <message>
        <source>The time stamps of %1 go back at line %2, so the log is shown against its row numbers.</source>
        <translation>Die Zeitstempel von %1 laufen in Zeile %2 zurück; die Logdatei wird daher über ihren Zeilennummern gezeigt.</translation>
    </message>
    <message>
        <source>Show the log frame by frame in the bar graphs and the grid.</source>
        <translation>Die Logdatei Messwert für Messwert in den Balken und im Raster zeigen.</translation>
    </message>
    <message>
        <source>Save what the reviewed log shows in other forms.</source>
        <translation>Was das angezeigte Log zeigt, in anderer Form speichern.</translation>
    </message>
    <message>
        <source>  Export</source>
        <translation>  Exportieren</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Statistik</translation>
    </message>
    <message>
        <source>Sum</source>
        <translation>Summe</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>Höchstwert</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Active mean</source>
        <translation>Mittel aktiv</translation>
    </message>
    <message>
        <source>Centre column</source>
        <translation>Schwerpunkt Spalte</translation>
    </message>
    <message>
        <source>Centre row</source>
        <translation>Schwerpunkt Zeile</translation>
    </message>
    <message>
        <source>Statistics of every row (CSV) ...</source>
        <translation>Statistik jeder Zeile (CSV) ...</translation>
    </message>
    <message>
        <source>sensors</source>
        <translation>Sensoren</translation>
    </message>
    <message>
        <source>column/row</source>
        <translation>Spalte/Zeile</translation>
    </message>
    <message>
        <source>-statistics</source>
        <translation>-statistik</translation>
    </message>
    <message>
        <source>Export the statistics</source>
        <translation>Statistik exportieren</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>The statistics cannot be written to %1.</source>
        <translation>Die Statistik kann nicht in %1 geschrieben werden.</translation>
    </message>
    <message>
        <source>No log is reviewed.</source>
        <translation>Kein Log wird angezeigt.</translation>
    </message>
    <message>
        <source>  Replay</source>
        <translation>  Wiedergabe</translation>
    </message>
    <message>
        <source>Show the chosen span again after zooming, with value axes that follow the traces.</source>
        <translation>Nach dem Zoomen wieder das gewählte Zeitfenster zeigen, mit Werteachsen, die den Kurven folgen.</translation>
    </message>
    <message>
        <source>  Fit</source>
        <translation>  Einpassen</translation>
    </message>
    <message>
        <source>Hold the value axes where they are; unticked they follow the traces.</source>
        <translation>Die Werteachsen festhalten, wo sie sind; ohne Haken folgen sie den Kurven.</translation>
    </message>
    <message>
        <source>Fixed values</source>
        <translation>Feste Werte</translation>
    </message>
    <message>
        <source>Remove the second cursor.</source>
        <translation>Den zweiten Cursor entfernen.</translation>
    </message>
    <message>
        <source>Remove cursor 2</source>
        <translation>Cursor 2 entfernen</translation>
    </message>
    <message>
        <source>Chart (PNG) ...</source>
        <translation>Diagramm (PNG) ...</translation>
    </message>
    <message>
        <source>Chart (PDF) ...</source>
        <translation>Diagramm (PDF) ...</translation>
    </message>
    <message>
        <source>Rows between the cursors (CSV) ...</source>
        <translation>Zeilen zwischen den Cursorn (CSV) ...</translation>
    </message>
    <message>
        <source>All rows (CSV) ...</source>
        <translation>Alle Zeilen (CSV) ...</translation>
    </message>
    <message>
        <source>Wheel: zoom. Drag: move. Right button or Shift: zoom to a box. Click: a second cursor.</source>
        <translation>Mausrad: zoomen. Ziehen: verschieben. Rechte Taste oder Umschalt: auf ein Rechteck zoomen. Klick: ein zweiter Cursor.</translation>
    </message>
    <message>
        <source>Cursor 2: %1</source>
        <translation>Cursor 2: %1</translation>
    </message>
    <message>
        <source>From cursor 2 to the cursor: %1</source>
        <translation>Von Cursor 2 zum Cursor: %1</translation>
    </message>
    <message>
        <source>Export the chart</source>
        <translation>Diagramm exportieren</translation>
    </message>
    <message>
        <source>-chart</source>
        <translation>-diagramm</translation>
    </message>
    <message>
        <source>PDF files (*.pdf)</source>
        <translation>PDF-Dateien (*.pdf)</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG-Bilder (*.png)</translation>
    </message>
    <message>
        <source>The chart cannot be written to %1.</source>
        <translation>Das Diagramm kann nicht in %1 geschrieben werden.</translation>
    </message>
    <message>
        <source>Export rows of the log</source>
        <translation>Zeilen des Logs exportieren</translation>
    </message>
    <message>
        <source>-excerpt</source>
        <translation>-auszug</translation>
    </message>
    <message>
        <source>-rows</source>
        <translation>-zeilen</translation>
    </message>
    <message>
        <source>The rows cannot be written to %1.</source>
        <translation>Die Zeilen können nicht in %1 geschrieben werden.</translation>
    </message>
    <message>
        <source>The PDF page cannot be drawn.</source>
        <translation>Die PDF-Seite kann nicht gezeichnet werden.</translation>
    </message>
</context>
<context>
    <name>UserGuide</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>The user guide is not installed.</source>
        <translation>Das Benutzerhandbuch ist nicht installiert.</translation>
    </message>
    <message>
        <source>No program of the desktop opened the user guide.</source>
        <translation>Kein Programm des Desktops hat das Benutzerhandbuch geöffnet.</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>User Guide</source>
        <translation>Benutzerhandbuch</translation>
    </message>
</context>
</TS>
