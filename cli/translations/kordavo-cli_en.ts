<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="hu">
<context>
    <name>cli::Text</name>
    <message>
        <source>Ismeretlen kapcsoló: %1</source>
        <translation>unknown option: %1</translation>
    </message>
    <message>
        <source>%1: hiányzó érték</source>
        <translation>%1: missing value</translation>
    </message>
    <message>
        <source>%1: ez a kapcsoló nem kap értéket: „%2”</source>
        <translation>%1: this option takes no value: &quot;%2&quot;</translation>
    </message>
    <message>
        <source>%1: hibás érték: „%2”</source>
        <translation>%1: bad value: &quot;%2&quot;</translation>
    </message>
    <message>
        <source>%1: ismeretlen nyelv: „%2” (választható: %3)</source>
        <translation>%1: unknown language: &quot;%2&quot; (one of: %3)</translation>
    </message>
    <message>
        <source>a modul nem lépett programozási üzemmódba</source>
        <translation>the module did not enter programming mode</translation>
    </message>
    <message>
        <source>a modul programozási üzemmódban maradt</source>
        <translation>the module stays in programming mode</translation>
    </message>
    <message>
        <source>a modul visszaállt normál üzemmódba</source>
        <translation>the module is back in normal operation</translation>
    </message>
    <message>
        <source>megszakítva; %1</source>
        <translation>interrupted; %1</translation>
    </message>
    <message>
        <source>A naplófájl nem írható: %1 (%2). A modulhoz nem nyúltam.</source>
        <translation>cannot write the log file %1 (%2); the module was not touched</translation>
    </message>
    <message>
        <source>A naplósor nem írható a(z) %1 fájlba (%2).</source>
        <translation>cannot write the log line to %1 (%2)</translation>
    </message>
    <message>
        <source>írási hiba</source>
        <translation>write error</translation>
    </message>
    <message>
        <source>A kimenet nem írható (%1).</source>
        <translation>cannot write the output (%1)</translation>
    </message>
    <message>
        <source>megjegyzés: </source>
        <translation>note: </translation>
    </message>
    <message>
        <source>%1. sor, %2: „%3”: %4</source>
        <translation>line %1, %2: &quot;%3&quot;: %4</translation>
    </message>
    <message>
        <source>A fájl nem létezik vagy nem olvasható: %1</source>
        <translation>the file does not exist or cannot be read: %1</translation>
    </message>
    <message>
        <source>Nem lehet megnyitni a fájlt: %1. Tipp: ellenőrizze a fájl szintaxisát (%2 sor kell).</source>
        <translation>cannot read the file %1; check its syntax (%2 lines needed)</translation>
    </message>
    <message>
        <source>--strict: a fájl nem fér el a modulban (%1)</source>
        <translation>--strict: the file does not fit the module (%1)</translation>
    </message>
    <message>
        <source>sikeres betöltés (%1, %2)</source>
        <translation>download complete (%1, %2)</translation>
    </message>
    <message>
        <source>sikeres ellenőrzés (%1)</source>
        <translation>verified (%1)</translation>
    </message>
    <message>
        <source>%1: a modulban %2, a fájlban %3</source>
        <translation>%1: module %2, file %3</translation>
    </message>
    <message>
        <source>sikertelen ellenőrzés: %1 eltérés</source>
        <translation>verify failed: %1 differences</translation>
    </message>
    <message>
        <source>Adja meg a portot: --port P</source>
        <translation>give the port: --port P</translation>
    </message>
    <message>
        <source>Ez a parancs egyetlen portot fogad el.</source>
        <translation>this command takes one port only</translation>
    </message>
    <message>
        <source>A --port értéke nem lehet üres.</source>
        <translation>--port needs a port name</translation>
    </message>
    <message>
        <source>Hibás használat; lásd: kordavo-cli --help</source>
        <translation>wrong usage; see kordavo-cli --help</translation>
    </message>
    <message>
        <source>%1 hibás érték; a modul nem kapta meg. Küldés mégis: --force</source>
        <translation>%1 bad values; nothing was sent. To send anyway: --force</translation>
    </message>
    <message>
        <source>Betöltés</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>Ellenőrzés</source>
        <translation>Verify</translation>
    </message>
    <message>
        <source>A fájl már létezik: %1. Felülírásához adja meg a --force kapcsolót.</source>
        <translation>the file exists: %1; give --force to overwrite it</translation>
    </message>
    <message>
        <source>Kiolvasás</source>
        <translation>Read-out</translation>
    </message>
    <message>
        <source>a fájl mentése nem sikerült: %1 (%2)</source>
        <translation>cannot save the file %1 (%2)</translation>
    </message>
    <message>
        <source>sikeres kiolvasás: %1 (%2, %3)</source>
        <translation>read out into %1 (%2, %3)</translation>
    </message>
    <message>
        <source>Azonosítás: %1
Memória: %2
Változat: %3
</source>
        <translation>Identification: %1
Memory: %2
Variant: %3
</translation>
    </message>
    <message>
        <source>A modul programozási üzemmódban maradt.
</source>
        <translation>The module stays in programming mode.
</translation>
    </message>
    <message>
        <source>aktív</source>
        <translation>active</translation>
    </message>
    <message>
        <source>nem aktív</source>
        <translation>inactive</translation>
    </message>
    <message>
        <source>Azonosítás: %1
</source>
        <translation>Identification: %1
</translation>
    </message>
    <message>
        <source>1. bemenet: %1
</source>
        <translation>Input 1: %1
</translation>
    </message>
    <message>
        <source>2. bemenet: %1
</source>
        <translation>Input 2: %1
</translation>
    </message>
    <message>
        <source>%1. kimenet: %2
</source>
        <translation>Output %1: %2
</translation>
    </message>
    <message>
        <source>be</source>
        <translation>on</translation>
    </message>
    <message>
        <source>ki</source>
        <translation>off</translation>
    </message>
    <message>
        <source>Térerő: %1
</source>
        <translation>Signal: %1
</translation>
    </message>
    <message>
        <source>Szolgáltató: %1
</source>
        <translation>Service: %1
</translation>
    </message>
    <message>
        <source>Hibás maszk: „%1”; például 1010 (1–4. kimenet) vagy egy hexadecimális számjegy.</source>
        <translation>bad mask &quot;%1&quot;; for example 1010 (outputs 1-4) or one hexadecimal digit</translation>
    </message>
    <message>
        <source>kimenetek (1–4): %1</source>
        <translation>outputs (1-4): %1</translation>
    </message>
    <message>
        <source>Kordavo modul: %1, %2</source>
        <translation>Kordavo module: %1, %2</translation>
    </message>
    <message>
        <source>nincs modul</source>
        <translation>no module</translation>
    </message>
    <message>
        <source>Nincs megnyitható port.</source>
        <translation>no port can be opened</translation>
    </message>
    <message>
        <source>A fájl nem létezik: %1</source>
        <translation>the file does not exist: %1</translation>
    </message>
    <message>
        <source>Nincs hibás mező.</source>
        <translation>no field breaks a rule</translation>
    </message>
    <message>
        <source>Nincs hibás mező; %1 megjegyzés.</source>
        <translation>no field breaks a rule; %1 notes</translation>
    </message>
    <message>
        <source>%1 hibás érték.</source>
        <translation>%1 bad values</translation>
    </message>
    <message>
        <source>A fájl mentése nem sikerült: %1 (%2)</source>
        <translation>cannot save the file %1 (%2)</translation>
    </message>
    <message>
        <source>A CSV túl nagy (legfeljebb %1 bájt lehet), a %2 fájl nem változott: %3</source>
        <translation>the CSV is too large (at most %1 bytes); %2 is unchanged: %3</translation>
    </message>
    <message>
        <source>A CSV hibás, a %1 fájl nem változott:</source>
        <translation>the CSV has errors; %1 is unchanged:</translation>
    </message>
    <message>
        <source>Lásd: kordavo-cli --help</source>
        <translation>see kordavo-cli --help</translation>
    </message>
    <message>
        <source>Ismeretlen parancs: %1
Lásd: kordavo-cli --help</source>
        <translation>unknown command: %1
see kordavo-cli --help</translation>
    </message>
    <message>
        <source>%1. sor: %2</source>
        <translation>row %1: %2</translation>
    </message>
    <message>
        <source>a pozíció 1 és %1 közötti szám lehet: „%2”</source>
        <translation>the position must be 1 to %1: &quot;%2&quot;</translation>
    </message>
    <message>
        <source>a(z) %1. pozíció másodszor szerepel</source>
        <translation>position %1 appears twice</translation>
    </message>
    <message>
        <source>„%1”: csak számjegyek és „+” adhatók meg</source>
        <translation>&quot;%1&quot;: only digits and &quot;+&quot; are allowed</translation>
    </message>
    <message>
        <source>„%1” hosszabb %2 karakternél</source>
        <translation>&quot;%1&quot; is longer than %2 characters</translation>
    </message>
    <message>
        <source>„%1” helyett „%2”</source>
        <translation>&quot;%1&quot; as &quot;%2&quot;</translation>
    </message>
    <message>
        <source>a modul másként tárolja: %1</source>
        <translation>the module stores it changed: %1</translation>
    </message>
    <message>
        <source>legfeljebb %1 karakter lehet</source>
        <translation>at most %1 characters</translation>
    </message>
    <message>
        <source>üres; a betöltéshez minden mező kitöltése kötelező</source>
        <translation>empty; every field must be filled for a download</translation>
    </message>
    <message>
        <source>az első két karakter 0 és 3 közötti számjegy lehet</source>
        <translation>the first two characters must be digits 0 to 3</translation>
    </message>
    <message>
        <source>A CSV-ben nincs egyetlen sor sem a telefonszámokkal, a %1 fájl nem változott: %2</source>
        <translation>the CSV holds no rows of numbers; %1 is unchanged: %2</translation>
    </message>
    <message>
        <source>%1 szám beolvasva, %2 törölve, %3 változatlan</source>
        <translation>%1 numbers read, %2 deleted, %3 unchanged</translation>
    </message>
    <message>
        <source>pozíció</source>
        <translation>position</translation>
    </message>
    <message>
        <source>telefonszám</source>
        <translation>number</translation>
    </message>
    <message>
        <source>1. bemenet riasztás</source>
        <translation>alarm input 1</translation>
    </message>
    <message>
        <source>2. bemenet riasztás</source>
        <translation>alarm input 2</translation>
    </message>
    <message>
        <source>1. kimenet vezérlés</source>
        <translation>output 1</translation>
    </message>
    <message>
        <source>2. kimenet vezérlés</source>
        <translation>output 2</translation>
    </message>
    <message>
        <source>ismeretlen oszlop: „%1”</source>
        <translation>unknown column: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>a(z) „%1” oszlop kétszer szerepel</source>
        <translation>the column &quot;%1&quot; appears twice</translation>
    </message>
    <message>
        <source>hiányzik a(z) „%1” oszlop</source>
        <translation>the column &quot;%1&quot; is missing</translation>
    </message>
    <message>
        <source>%1 oszlop kell, %2 van</source>
        <translation>%1 columns expected, %2 found</translation>
    </message>
    <message>
        <source>„%1” egy fejléc nélküli oszlopban</source>
        <translation>&quot;%1&quot; in a column without a header</translation>
    </message>
    <message>
        <source>„%1” a(z) „%2” oszlopban: 1/0, IGAZ/HAMIS, igen/nem vagy x/üres lehet</source>
        <translation>&quot;%1&quot; in the column &quot;%2&quot;: must be 1/0, IGAZ/HAMIS, igen/nem or x/empty</translation>
    </message>
    <message>
        <source>; a konfiguráció már tárolódott</source>
        <translation>; the configuration was already stored</translation>
    </message>
    <message>
        <source>; a rekordok mind elmentek, a tárolás nem ismert</source>
        <translation>; every record went out, whether they were stored is not known</translation>
    </message>
    <message>
        <source>; a betöltés félbeszakadt, semmi sem tárolódott</source>
        <translation>; the download was cut short, nothing was stored</translation>
    </message>
    <message>
        <source>%1 magyar szám nemzetközi formára alakítva („06…” és „0036…” helyett „36…”)</source>
        <translation>%1 Hungarian numbers converted to international form (&quot;36…&quot; for &quot;06…&quot; and &quot;0036…&quot;)</translation>
    </message>
    <message>
        <source>belföldi formában áll; a modul nemzetközi formában, „+” nélkül várja: „%1”</source>
        <translation>in national form; the module expects international form without &quot;+&quot;: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>„00” előtaggal áll; a modul nemzetközi formában, „+” és „00” nélkül várja: „%1”</source>
        <translation>with the &quot;00&quot; prefix; the module expects international form without &quot;+&quot; and &quot;00&quot;: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>A megadott út nem fájl, hanem %1: %2</source>
        <translation>The path is not a file but a %1: %2</translation>
    </message>
    <message>
        <source>%1: a modul még küldi a rekordjait; megvárom, amíg elhallgat, utána áll vissza normál üzemmódba</source>
        <translation>%1: the module is still sending its records; waiting until it falls silent before returning it to normal mode</translation>
    </message>
    <message>
        <source>sikertelen ellenőrzés: a válasz nem teljes</source>
        <translation>verify failed: the answer is not complete</translation>
    </message>
    <message>
        <source>sikertelen kiolvasás: %1</source>
        <translation>read-out failed: %1</translation>
    </message>
    <message>
        <source>%1; a fájl nem készült el</source>
        <translation>%1; the file was not written</translation>
    </message>
    <message>
        <source>A nyilvántartás ki van kapcsolva (--no-register).</source>
        <translation>The register is off (--no-register).</translation>
    </message>
    <message>
        <source>A nyilvántartás nem használható: %1 (%2).</source>
        <translation>The register cannot be used: %1 (%2).</translation>
    </message>
    <message>
        <source>A nyilvántartás ki van kapcsolva (%1=off).</source>
        <translation>The register is off (%1=off).</translation>
    </message>
    <message>
        <source>A nyilvántartás nem használható: %1.</source>
        <translation>The register cannot be used: %1.</translation>
    </message>
    <message>
        <source>Telephely: %1.</source>
        <translation>Site: %1.</translation>
    </message>
    <message>
        <source>Hibás változatszám: „%1”</source>
        <translation>Bad version number: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>A nyilvántartás nem válaszolt: %1.</source>
        <translation>The register did not answer: %1.</translation>
    </message>
    <message>
        <source>A nyilvántartás üres.</source>
        <translation>The register is empty.</translation>
    </message>
    <message>
        <source>Telephely</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>Memória</source>
        <translation>Memory</translation>
    </message>
    <message>
        <source>Számok</source>
        <translation>Numbers</translation>
    </message>
    <message>
        <source>Változat</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Utolsó változás</source>
        <translation>Last change</translation>
    </message>
    <message>
        <source>Utolsó ellenőrzés</source>
        <translation>Last verify</translation>
    </message>
    <message>
        <source>átadáskori</source>
        <translation>as installed</translation>
    </message>
    <message>
        <source>ellenőrizve %1 (%2)</source>
        <translation>verified %1 (%2)</translation>
    </message>
    <message>
        <source>másolat nélkül</source>
        <translation>no copy</translation>
    </message>
    <message>
        <source>Cím: %1</source>
        <translation>Address: %1</translation>
    </message>
    <message>
        <source>Megjegyzés: %1</source>
        <translation>Note: %1</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1: %2. → %3. változat</source>
        <translation>%1: version %2 → %3</translation>
    </message>
    <message>
        <source>nincs eltérés</source>
        <translation>no differences</translation>
    </message>
    <message>
        <source>A(z) %1 szám egyik telephely jelenlegi változatában sincs.</source>
        <translation>The number %1 is in no site&apos;s current version.</translation>
    </message>
    <message>
        <source>Nincs szám, amely több telephelyen is szerepel.</source>
        <translation>No number stands at more than one site.</translation>
    </message>
    <message>
        <source>%1: a(z) %2. változatról nincs másolat</source>
        <translation>%1: version %2 has no copy</translation>
    </message>
    <message>
        <source>%1, %2. változat: %3</source>
        <translation>%1, version %2: %3</translation>
    </message>
    <message>
        <source>A telephely neve nem lehet üres.</source>
        <translation>A site&apos;s name cannot be empty.</translation>
    </message>
    <message>
        <source>Az összevonás nem sikerült: %1.</source>
        <translation>The merge failed: %1.</translation>
    </message>
    <message>
        <source>%1 beolvadt ide: %2; %3 változat</source>
        <translation>%1 merged into %2; %3 versions</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Nyilvántartás: %1; az átvitelek nem kerülnek bele.</source>
        <translation>Register: %1; the transfers are not recorded.</translation>
    </message>
    <message>
        <source>%1: nyilvántartás: %2</source>
        <translation>%1: register: %2</translation>
    </message>
    <message>
        <source>Nyilvántartás: %1.</source>
        <translation>Register: %1.</translation>
    </message>
    <message>
        <source>Hibás telefonszám: „%1”</source>
        <translation>Bad telephone number: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>ugyanez a szám a(z) %1. helyen is szerepel</source>
        <translation>the same number is also at position %1</translation>
    </message>
    <message>
        <source>Nyilvántartás: %1; a lap telephely nélkül készül.</source>
        <translation>Register: %1; the sheet is made without a site.</translation>
    </message>
    <message>
        <source>Az átadási lap a betűkészletekhez grafikus Qt-alkalmazást igényel.</source>
        <translation>The handover sheet needs a Qt GUI application for its fonts.</translation>
    </message>
    <message>
        <source>Fájlnak nincs változata; lásd: kordavo-cli --help</source>
        <translation>A file has no versions; see kordavo-cli --help</translation>
    </message>
    <message>
        <source>Nyilvántartás: a telepítő neve nem menthető: %1.</source>
        <translation>Register: the installer&apos;s name cannot be kept: %1.</translation>
    </message>
    <message>
        <source>A lapon nincs telepítőnév; adja meg egyszer: --installer NÉV</source>
        <translation>The sheet carries no installer&apos;s name; give it once: --installer NAME</translation>
    </message>
    <message>
        <source>Az átadási lap nem írható: %1 (%2)</source>
        <translation>The handover sheet cannot be written: %1 (%2)</translation>
    </message>
    <message>
        <source>Átadási lap: %1 – %2</source>
        <translation>Handover sheet: %1 – %2</translation>
    </message>
    <message>
        <source>Használat: kordavo-cli PARANCS [KAPCSOLÓK]

Kordavo GSM modulok programozása, kiolvasása és ellenőrzése parancssorból.

Parancsok:
  ports [--probe]                 a most megnyitható portok; --probe: az
                                  azonosítást kérve megjelöli a válaszoló modulokat
  info --port P                   azonosítás, memóriaméret és változat
  status --port P [--json]        bemenetek, kimenetek, térerő és szolgáltató
  download FÁJL.krv --port P [--port Q ...]
                                  a konfiguráció betöltése, portonként egy sor
  readout FÁJL.krv --port P [--force]
                                  kiolvasás fájlba; meglévő fájlt csak --force
                                  mellett ír felül
  verify FÁJL.krv --port P [--port Q ...]
                                  ellenőrzés; minden eltérő mezőt megnevez
  relay MASZK --port P            a kimenetek kapcsolása: &quot;1010&quot; az 1., 2., 3.,
                                  4. kimenet sorrendjében (itt az 1. és a 3. be),
                                  vagy a modul bitmaszkja egy hexadecimális
                                  számjeggyel: 1. kimenet = 1, 2. = 2, 3. = 4,
                                  4. = 8 (&quot;5&quot; = az 1. és a 3. kimenet)
  check FÁJL.krv                  a fájl mezőinek ellenőrzése modul nélkül
  export-csv FÁJL.krv [KI.csv] [--separator ,] [--force]
                                  a telefonszámlista CSV-be (UTF-8, BOM-mal, &quot;;&quot;
                                  elválasztóval); meglévő fájlt csak --force
                                  mellett ír felül
  import-csv BE.csv FÁJL.krv      a telefonszámlista CSV-ből (&quot;;&quot; vagy &quot;,&quot;,
                                  UTF-8 vagy Windows-1250, a név- és
                                  megjegyzésoszlop kimarad); egy hibás sor vagy
                                  egy sor nélküli lista esetén semmit sem ír
  register list [--json]          a nyilvántartás telephelyei: memória, számok,
                                  utolsó változás, utolsó ellenőrzés
  register history HELY [--json]  a telephely változatai
  register diff HELY V1 [V2]      két változat eltérései (V2 nélkül: a legutóbbi)
  register find SZÁM [--json]     hol áll a szám a telephelyek jelenlegi
                                  változatában (06…, 0036…, +36…, szóközökkel)
  register shared [--json]        a több telephelyen is szereplő számok
  register export HELY [V] FÁJL.krv [--force]
                                  egy változat fájlba (V nélkül: a legutóbbi)
  register rename HELY NÉV, register address HELY CÍM,
  register note HELY SZÖVEG       a telephely neve, címe, megjegyzése
  register merge HELY CÉL         a HELY telephely beolvad a CÉL telephelybe
                                  (HELY: a telephely száma vagy neve)
  sheet HELY [V] KI.pdf, sheet FÁJL.krv KI.pdf [--force] [--installer NÉV]
                                  átadási lap (PDF): a telephely egy változata
                                  (V nélkül: a legutóbbi) vagy egy fájl, minden
                                  számmal és a jogaival, a PIN-kód utolsó
                                  számjegyével; meglévő fájlt csak --force
                                  mellett ír felül

Kapcsolók (az érték „--port P” és „--port=P” alakban is megadható):
  --port P        a port (például /dev/ttyUSB0 vagy COM3)
  --baud B        az átviteli sebesség (alapérték: 1200)
  --stay          a modul programozási üzemmódban marad (nincs &quot;~X&quot;)
  --fast          a válasz a lezárójánál vagy ismert hosszánál véget ér, nem
                  várja meg, hogy a vonal elcsendesedjen; csak olyan modullal
                  használható, amely a válaszait így zárja le (&quot;R&quot; és &quot;O&quot;
                  válasz CR-rel, a rekordok a 28 + N. rekord után egy záró
                  karakterrel)
  --strict        download, verify: elutasítja a fájlt, ha a modul nem kapja meg
                  egészében (a memórián túli számok, egyszerűsített modell)
  --log FÁJL      download, readout, verify: soronként idő, port, azonosítás,
                  memória, fájl, a fájl SHA-256-ja és az eredmény
  --separator ,|; export-csv: a mezők elválasztója (alapérték: &quot;;&quot;)
  --json          status, register list, history, find, shared: JSON kimenet
  --register URL  a nyilvántartás: postgresql://felhasználó@gép:port/adatbázis
                  vagy egy SQLite-fájl (alapérték: a KORDAVO_REGISTER
                  környezeti változó, különben a felhasználó adatmappája)
  --no-register   download, readout, verify: nem rögzít a nyilvántartásba
  --installer NÉV sheet: a telepítő neve a lapon; a nyilvántartás megjegyzi
                  ehhez a felhasználóhoz, a további lapok is viselik
  --lang NYELV    a szövegek nyelve: %1 (alapérték: a LANG nyelve, ha ezek
                  egyike, különben magyar)
  --version       a program változata
  -h, --help      ez a súgó

Kilépési kódok:
  0  siker
  1  a modul elutasította a műveletet, eltérés van, vagy a fájl mezői hibásak;
     register diff: a két változat eltér; register find: nincs találat
  2  hibás használat (a --log fájl sem nyitható meg)
  3  port- vagy vonalhiba (nem nyílik meg, nem válaszol, nem Kordavo modul)
  4  hibás vagy hiányzó fájl, vagy egy fájl, a napló vagy a kimenet nem írható
  5  register, sheet HELY: a nyilvántartás ki van kapcsolva, nem érhető el,
     nem írható vagy sérült
  128 + N  megszakítva az N. jelzéssel (Ctrl-C: 130, SIGTERM: 143, SIGHUP: 129)
</source>
        <translation>Usage: kordavo-cli COMMAND [OPTIONS]

Programs, reads and verifies Kordavo GSM modules from the command line.

Commands:
  ports [--probe]                 the ports that can be opened now; --probe:
                                  asks each for its identification and marks modules
  info --port P                   identification, memory size and variant
  status --port P [--json]        inputs, outputs, signal strength and service
  download FILE.krv --port P [--port Q ...]
                                  stores the configuration, one line per port
  readout FILE.krv --port P [--force]
                                  reads the module into a file; an existing file is
                                  only overwritten with --force
  verify FILE.krv --port P [--port Q ...]
                                  compares; names every field that differs
  relay MASK --port P             switches the outputs: &quot;1010&quot; in the order of
                                  outputs 1, 2, 3, 4 (here 1 and 3 on), or the
                                  module&apos;s bit mask as one hexadecimal digit:
                                  output 1 = 1, 2 = 2, 3 = 4, 4 = 8 (&quot;5&quot; = 1 and 3)
  check FILE.krv                  checks the file&apos;s fields without a module
  export-csv FILE.krv [OUT.csv] [--separator ,] [--force]
                                  the telephone list as CSV (UTF-8 with BOM, &quot;;&quot;
                                  between fields); an existing file is only
                                  overwritten with --force
  import-csv IN.csv FILE.krv      the telephone list from CSV (&quot;;&quot; or &quot;,&quot;, UTF-8
                                  or Windows-1250, name and remark columns are
                                  skipped); one bad row, or a list without rows,
                                  and nothing is written
  register list [--json]          the register&apos;s sites: memory, numbers, last
                                  change, last verify
  register history SITE [--json]  the site&apos;s versions
  register diff SITE V1 [V2]      the differences of two versions (without V2:
                                  the latest)
  register find NUMBER [--json]   where the number stands in the sites&apos; current
                                  versions (06…, 0036…, +36…, with spaces)
  register shared [--json]        the numbers that stand at more than one site
  register export SITE [V] FILE.krv [--force]
                                  a version into a file (without V: the latest)
  register rename SITE NAME, register address SITE ADDRESS,
  register note SITE TEXT         the site&apos;s name, address, note
  register merge SITE INTO        site SITE joins site INTO
                                  (SITE: the site&apos;s number or its name)
  sheet SITE [V] OUT.pdf, sheet FILE.krv OUT.pdf [--force] [--installer NAME]
                                  handover sheet (PDF): a version of the site
                                  (without V: the latest) or a file, every
                                  number with its rights, the PIN&apos;s last
                                  digit; writes over an existing file only
                                  with --force

Options (a value may follow as &quot;--port P&quot; or &quot;--port=P&quot;):
  --port P        the port (for example /dev/ttyUSB0 or COM3)
  --baud B        the baud rate (default 1200)
  --stay          leaves the module in programming mode (no &quot;~X&quot;)
  --fast          ends each answer at its terminator or known length instead of
                  waiting for the line to fall silent; only for modules that end
                  their answers that way (&quot;R&quot; and &quot;O&quot; answers with CR, the
                  records with one closing character after record 28 + N)
  --strict        download, verify: refuses a file the module would not hold
                  whole (numbers past its memory, a reduced model)
  --log FILE      download, readout, verify: one line each with time, port,
                  identification, memory, file, the file&apos;s SHA-256 and result
  --separator ,|; export-csv: the field separator (default &quot;;&quot;)
  --json          status, register list, history, find, shared: JSON output
  --register URL  the register: postgresql://user@host:port/dbname or a SQLite
                  file (default: the KORDAVO_REGISTER environment variable,
                  else the user&apos;s data folder)
  --no-register   download, readout, verify: records nothing in the register
  --installer NAME sheet: the installer&apos;s name on the sheet; the register
                  keeps it for this user, and later sheets carry it
  --lang LANG     language of the texts: %1 (default: that of LANG when it is
                  one of these, else Hungarian)
  --version       the program&apos;s version
  -h, --help      this help

Exit codes:
  0  success
  1  the module said no, or differs, or the file&apos;s fields break the rules;
     register diff: the two versions differ; register find: no hit
  2  usage (also: the --log file cannot be opened)
  3  port or line failure (does not open, no answer, not a Kordavo module)
  4  bad or missing file, or a file, the log or the output cannot be written
  5  register, sheet SITE: the register is off, unreachable, read-only or
     damaged
  128 + N  interrupted by signal N (Ctrl-C: 130, SIGTERM: 143, SIGHUP: 129)
</translation>
    </message>
    <message>
        <source>sikertelen lekérdezés: %1</source>
        <translation>status query failed: %1</translation>
    </message>
    <message>
        <source>betöltés hiba: %1</source>
        <translation>download failed: %1</translation>
    </message>
</context>
<context>
    <name>configfile</name>
    <message>
        <source>Nincs elég hely a lemezen.</source>
        <translation>There is not enough space on the disk.</translation>
    </message>
    <message>
        <source>Elfogyott a lemezkvóta.</source>
        <translation>The disk quota is used up.</translation>
    </message>
    <message>
        <source>Nincs jogosultság a fájl írásához.</source>
        <translation>No permission to write the file.</translation>
    </message>
    <message>
        <source>A lemez csak olvasható.</source>
        <translation>The disk is read-only.</translation>
    </message>
    <message>
        <source>A mappa nem létezik.</source>
        <translation>The folder does not exist.</translation>
    </message>
    <message>
        <source>A megadott név egy mappa.</source>
        <translation>The name given is a folder.</translation>
    </message>
    <message>
        <source>Írási hiba a lemezen.</source>
        <translation>Write error on the disk.</translation>
    </message>
    <message>
        <source>A fájl túl nagy.</source>
        <translation>The file is too large.</translation>
    </message>
</context>
<context>
    <name>fieldrules</name>
    <message>
        <source>Csak valós telefonszám adható meg!</source>
        <translation>only a telephone number is allowed</translation>
    </message>
    <message>
        <source>Csak számok adhatóak meg!</source>
        <translation>only digits are allowed</translation>
    </message>
    <message>
        <source>Az érték 0 vagy 1 lehet.</source>
        <translation>the value must be 0 or 1</translation>
    </message>
    <message>
        <source>A „|” karakter nem adható meg, mert a modul ezzel választja el a mezőket.</source>
        <translation>&quot;|&quot; is not allowed: the module separates its fields with it</translation>
    </message>
    <message>
        <source>A „---” önmagában nem adható meg, mert a fájlban a fájl végét jelzi.</source>
        <translation>&quot;---&quot; on its own is not allowed: it ends the file</translation>
    </message>
    <message>
        <source>Csak valós telefonszámok adhatóak meg,
nemzetközi formátumban, &apos;+&apos; karakter nélkül.</source>
        <translation>only digits are allowed,
in international form without &quot;+&quot;</translation>
    </message>
</context>
<context>
    <name>generalfields</name>
    <message>
        <source>SMS központ:</source>
        <translation>SMS centre:</translation>
    </message>
    <message>
        <source>Modul PIN-kód:</source>
        <translation>Module PIN code:</translation>
    </message>
    <message>
        <source>Modul azonosító:</source>
        <translation>Module identifier:</translation>
    </message>
    <message>
        <source>Modul neve:</source>
        <translation>Module name:</translation>
    </message>
    <message>
        <source>Visszaállás:</source>
        <translation>Restore:</translation>
    </message>
    <message>
        <source>1-es bemenet neve:</source>
        <translation>Input 1 name:</translation>
    </message>
    <message>
        <source>2-es bemenet neve:</source>
        <translation>Input 2 name:</translation>
    </message>
    <message>
        <source>Relé meghúzási idő:</source>
        <translation>Relay pull-in time:</translation>
    </message>
    <message>
        <source>3-as kimeneti parancs bekapcsoláskor:</source>
        <translation>Output 3 command for switching on:</translation>
    </message>
    <message>
        <source>4-es kimeneti parancs bekapcsoláskor:</source>
        <translation>Output 4 command for switching on:</translation>
    </message>
    <message>
        <source>3-as kimeneti parancs kikapcsoláskor:</source>
        <translation>Output 3 command for switching off:</translation>
    </message>
    <message>
        <source>4-es kimeneti parancs kikapcsoláskor:</source>
        <translation>Output 4 command for switching off:</translation>
    </message>
    <message>
        <source>1. bemenet üzenete bekapcsoláskor:</source>
        <translation>Input 1 message on switching on:</translation>
    </message>
    <message>
        <source>2. bemenet üzenete bekapcsoláskor:</source>
        <translation>Input 2 message on switching on:</translation>
    </message>
    <message>
        <source>1. bemenet üzenete kikapcsoláskor:</source>
        <translation>Input 1 message on switching off:</translation>
    </message>
    <message>
        <source>2. bemenet üzenete kikapcsoláskor:</source>
        <translation>Input 2 message on switching off:</translation>
    </message>
    <message>
        <source>%1. telefonszám</source>
        <translation>telephone number %1</translation>
    </message>
    <message>
        <source>%1. tartalék rekord</source>
        <translation>reserved record %1</translation>
    </message>
</context>
<context>
    <name>handover::Text</name>
    <message>
        <source>igen</source>
        <translation>yes</translation>
    </message>
    <message>
        <source>Telephely</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>nincs a nyilvántartásban</source>
        <translation>not in the register</translation>
    </message>
    <message>
        <source>Cím</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Modell</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>Forrás</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>Bemenet</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>Név</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Üzenet bekapcsoláskor</source>
        <translation>Message on switching on</translation>
    </message>
    <message>
        <source>Üzenet kikapcsoláskor</source>
        <translation>Message on switching off</translation>
    </message>
    <message>
        <source>%1. bemenet</source>
        <translation>input %1</translation>
    </message>
    <message>
        <source>A modul nem tárol telefonszámot.</source>
        <translation>The module stores no telephone number.</translation>
    </message>
    <message numerus="yes">
        <source>%n tárolt telefonszám, a modul memóriájában elfoglalt helyük szerint.</source>
        <translation>
            <numerusform>%n stored telephone number, by its position in the module&apos;s memory.</numerusform>
            <numerusform>%n stored telephone numbers, by their positions in the module&apos;s memory.</numerusform>
        </translation>
    </message>
    <message>
        <source>Hely</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Telefonszám</source>
        <translation>Telephone number</translation>
    </message>
    <message>
        <source>1. bemenet riasztás</source>
        <translation>alarm input 1</translation>
    </message>
    <message>
        <source>2. bemenet riasztás</source>
        <translation>alarm input 2</translation>
    </message>
    <message>
        <source>1. kimenet vezérlés</source>
        <translation>controls output 1</translation>
    </message>
    <message>
        <source>2. kimenet vezérlés</source>
        <translation>controls output 2</translation>
    </message>
    <message>
        <source>Nincs változás.</source>
        <translation>No change.</translation>
    </message>
    <message>
        <source>Kelt: %1</source>
        <translation>Date: %1</translation>
    </message>
    <message>
        <source>átadó (telepítő)</source>
        <translation>handed over by (installer)</translation>
    </message>
    <message>
        <source>átadó (telepítő): %1</source>
        <translation>handed over by (installer): %1</translation>
    </message>
    <message>
        <source>átvevő</source>
        <translation>received by</translation>
    </message>
    <message>
        <source>Átadási lap</source>
        <translation>Handover sheet</translation>
    </message>
    <message>
        <source>Átadási lap – %1</source>
        <translation>Handover sheet – %1</translation>
    </message>
    <message>
        <source>Bemenetek</source>
        <translation>Inputs</translation>
    </message>
    <message>
        <source>Telefonszámok és jogaik</source>
        <translation>Telephone numbers and their rights</translation>
    </message>
    <message>
        <source>Változások az előző változat óta</source>
        <translation>Changes since the previous version</translation>
    </message>
    <message>
        <source>a PDF nem írható</source>
        <translation>the PDF cannot be written</translation>
    </message>
    <message>
        <source>%1 – %2/%3. oldal</source>
        <translation>%1 – page %2 of %3</translation>
    </message>
    <message>
        <source>a(z) %1. változatról nincs másolat (sikertelen átvitel, vagy régen törlődött)</source>
        <translation>version %1 has no copy (a failed transfer, or removed long ago)</translation>
    </message>
    <message>
        <source>%1. változat (%2, %3, %4@%5)</source>
        <translation>version %1 (%2, %3, %4@%5)</translation>
    </message>
    <message>
        <source>Ez a telephely első megőrzött változata.</source>
        <translation>This is the site&apos;s first version with a copy.</translation>
    </message>
    <message>
        <source>A(z) %1. változathoz képest:</source>
        <translation>Against version %1:</translation>
    </message>
    <message>
        <source>A változások nem olvashatók: %1.</source>
        <translation>The changes cannot be read: %1.</translation>
    </message>
    <message>
        <source>A nyilvántartás ki van kapcsolva.</source>
        <translation>The register is turned off.</translation>
    </message>
    <message>
        <source>A modul nincs a nyilvántartásban.</source>
        <translation>The module is not in the register.</translation>
    </message>
    <message>
        <source>A nyilvántartás nem érhető el: %1.</source>
        <translation>The register cannot be reached: %1.</translation>
    </message>
    <message>
        <source>A telephelynek nincs megőrzött változata.</source>
        <translation>The site has no version with a copy.</translation>
    </message>
    <message>
        <source>A változások nem számíthatók: a(z) „%1” mező üres.</source>
        <translation>The changes cannot be worked out: the field “%1” is empty.</translation>
    </message>
    <message>
        <source>A nyilvántartott %1. változathoz képest (%2):</source>
        <translation>Against version %1 in the register (%2):</translation>
    </message>
</context>
<context>
    <name>resultwords::Words</name>
    <message>
        <source>%1 telefonszám, egyszerűsített (azonosító, nevek és üzenetek nélkül)</source>
        <translation>%1 numbers, reduced (no identifier, names or messages)</translation>
    </message>
    <message>
        <source>%1 telefonszám, teljes</source>
        <translation>%1 numbers, full</translation>
    </message>
    <message>
        <source>nincs ilyen port</source>
        <translation>no such port</translation>
    </message>
    <message>
        <source>ez nem soros port</source>
        <translation>not a serial port</translation>
    </message>
    <message>
        <source>nincs jogosultság</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>nincs jogosultság; lépjen be a(z) %1 csoportba</source>
        <translation>permission denied; join the group %1</translation>
    </message>
    <message>
        <source>foglalt: a(z) %1 folyamat használja</source>
        <translation>in use by process %1</translation>
    </message>
    <message>
        <source>foglalt: egy másik program használja</source>
        <translation>in use by another program</translation>
    </message>
    <message>
        <source>hozzáférés megtagadva: valószínűleg egy másik program használja</source>
        <translation>access denied: probably in use by another program</translation>
    </message>
    <message>
        <source>nem lehet megnyitni a portot</source>
        <translation>cannot open the port</translation>
    </message>
    <message>
        <source>a modul nem válaszol</source>
        <translation>the module does not answer</translation>
    </message>
    <message>
        <source>a vonal megszakadt az azonosítás közben</source>
        <translation>the line went away during the identification</translation>
    </message>
    <message>
        <source>nem Kordavo modul válaszolt: „%1”</source>
        <translation>not a Kordavo module: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>ismeretlen modul: „%1” (a válasz a lezáró CR előtt véget ért)</source>
        <translation>unknown module: &quot;%1&quot; (the answer ended before its closing CR)</translation>
    </message>
    <message>
        <source>ismeretlen modul: „%1” (ismert memóriaméret: 31, 32, 127, 128)</source>
        <translation>unknown module: &quot;%1&quot; (known memory sizes: 31, 32, 127, 128)</translation>
    </message>
    <message>
        <source>a lekérdezés megszakadt</source>
        <translation>the query was stopped</translation>
    </message>
    <message>
        <source>a vonal megszakadt a lekérdezés közben</source>
        <translation>the line went away during the query</translation>
    </message>
    <message>
        <source>a modul nem küldte el a bemenetek és kimenetek állapotát („~R”)</source>
        <translation>the module sent no states of its inputs and outputs (&quot;~R&quot;)</translation>
    </message>
    <message>
        <source>a modul térerő- és szolgáltatóválasza („~S”) nem értelmezhető</source>
        <translation>the module&apos;s signal and service answer (&quot;~S&quot;) makes no sense</translation>
    </message>
    <message>
        <source>a modul megállás nélkül küld: zaj a vonalon, vagy nem Kordavo modul</source>
        <translation>the module sends without a pause: noise on the line, or not a Kordavo module</translation>
    </message>
    <message>
        <source>az összes mező kitöltése kötelező; üres: „%1”</source>
        <translation>every field must be filled; empty: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>a(z) „%1” mező „|” karaktert tartalmaz, amelyet a modul nem tud tárolni</source>
        <translation>field &quot;%1&quot; holds &quot;|&quot;, which the module cannot store</translation>
    </message>
    <message>
        <source>a(z) „%1” mező tartalma „---”, amely a fájlban a fájl végét jelentené; a fájl nem készült el</source>
        <translation>field &quot;%1&quot; holds &quot;---&quot;, which would end the file; no file was written</translation>
    </message>
    <message>
        <source>a(z) „%1” mező sortörést tartalmaz, amely a fájlban új sort kezdene; a fájl nem készült el</source>
        <translation>field &quot;%1&quot; holds a line break, which would start a new line in the file; no file was written</translation>
    </message>
    <message>
        <source>a %1–%2. telefonszám nem fér el: %3 szám kimarad</source>
        <translation>numbers %1-%2 do not fit: %3 left out</translation>
    </message>
    <message>
        <source>egyszerűsített modell: nevek, üzenetek és jogok nélkül</source>
        <translation>reduced model: without names, messages and rights</translation>
    </message>
    <message>
        <source>(nincs)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>„%1”</source>
        <translation>&quot;%1&quot;</translation>
    </message>
    <message>
        <source>„%1” (riasztás: %2, kimenet: %3)</source>
        <translation>&quot;%1&quot; (alarm: %2, output: %3)</translation>
    </message>
    <message>
        <source>a vonal megszakadt a rekordok olvasása közben</source>
        <translation>the line went away while the records were read</translation>
    </message>
    <message>
        <source>a modul nem küldte el a rekordjait</source>
        <translation>the module sent no records</translation>
    </message>
    <message>
        <source>a modul válasza a záró karakter előtt véget ért</source>
        <translation>the module&apos;s answer ended before its closing character</translation>
    </message>
    <message>
        <source>a modul válaszában a(z) %1. rekord %2 karakteres (%3 kell)</source>
        <translation>record %1 of the module&apos;s answer has %2 characters (%3 needed)</translation>
    </message>
    <message>
        <source>a modul válasza hiányos: %1 rekord a(z) %2 helyett</source>
        <translation>the module&apos;s answer is incomplete: %1 records instead of %2</translation>
    </message>
    <message>
        <source>a modul több rekordot küldött (%1), mint amennyit a modell tárol (%2)</source>
        <translation>the module sent more records (%1) than its model holds (%2)</translation>
    </message>
    <message>
        <source>a modul válasza hiányos</source>
        <translation>the module&apos;s answer is incomplete</translation>
    </message>
    <message>
        <source>a betöltés megszakadt</source>
        <translation>the download was stopped</translation>
    </message>
    <message>
        <source>a vonal megszakadt a betöltés előtt: semmi sem tárolódott</source>
        <translation>the line went away before the download: nothing was stored</translation>
    </message>
    <message>
        <source>a vonal megszakadt a betöltés közben, a(z) %1 rekordból %2 elment; a tárolás nem ismert</source>
        <translation>the line went away during the download, after %2 of %1 records; whether they were stored is not known</translation>
    </message>
    <message>
        <source>a modul nem állt készen („R”), semmi sem tárolódott</source>
        <translation>the module was not ready (&quot;R&quot;), nothing was stored</translation>
    </message>
    <message>
        <source>a rekordok elmentek, de a modul nem nyugtázta a tárolást („O”)</source>
        <translation>the records went out, but the module did not confirm storing them (&quot;O&quot;)</translation>
    </message>
    <message>
        <source>a modul még küldte a rekordjait; megvártam, amíg elhallgat (%1 s)</source>
        <translation>the module was still sending its records; waited until it fell silent (%1 s)</translation>
    </message>
    <message>
        <source>a modul %1 s után is küldött; a további parancsokat elnyelheti</source>
        <translation>the module was still sending after %1 s; it may swallow further commands</translation>
    </message>
    <message>
        <source>mappa</source>
        <translation>folder</translation>
    </message>
    <message>
        <source>nevesített cső (FIFO)</source>
        <translation>named pipe (FIFO)</translation>
    </message>
    <message>
        <source>eszköz</source>
        <translation>device</translation>
    </message>
    <message>
        <source>különleges fájl</source>
        <translation>special file</translation>
    </message>
</context>
<context>
    <name>siteregister::Text</name>
    <message>
        <source>ismeretlen nyilvántartás: „%1” (postgresql://felhasználó@gép:port/adatbázis, egy fájl útvonala vagy off)</source>
        <translation>unknown register: &quot;%1&quot; (postgresql://user@host:port/dbname, the path of a file, or off)</translation>
    </message>
    <message>
        <source>hibás PostgreSQL-cím: „%1” (így: postgresql://felhasználó@gép:port/adatbázis)</source>
        <translation>bad PostgreSQL address: &quot;%1&quot; (as postgresql://user@host:port/dbname)</translation>
    </message>
    <message>
        <source>nincs %1. számú telephely</source>
        <translation>there is no site %1</translation>
    </message>
    <message>
        <source>nincs ilyen nevű telephely: „%1”</source>
        <translation>no site has the name &quot;%1&quot;</translation>
    </message>
    <message>
        <source>több telephely neve illik erre: „%1”; adja meg a számát</source>
        <translation>the names of several sites fit &quot;%1&quot;; give its number</translation>
    </message>
    <message>
        <source>a telephelynek nincs %1. változata</source>
        <translation>the site has no version %1</translation>
    </message>
    <message>
        <source>a telephelynek nincs egyetlen megőrzött változata sem</source>
        <translation>the site has no version with a copy</translation>
    </message>
    <message>
        <source>a(z) %1. változatról nincs másolat (sikertelen átvitel, vagy régen törlődött)</source>
        <translation>version %1 has no copy (a failed transfer, or removed long ago)</translation>
    </message>
    <message>
        <source>a telephely neve nem lehet üres</source>
        <translation>a site&apos;s name cannot be empty</translation>
    </message>
    <message>
        <source>egy telephely nem vonható össze önmagával</source>
        <translation>a site cannot be merged with itself</translation>
    </message>
    <message>
        <source>betöltés</source>
        <translation>download</translation>
    </message>
    <message>
        <source>kiolvasás</source>
        <translation>read-out</translation>
    </message>
    <message>
        <source>ellenőrzés</source>
        <translation>verify</translation>
    </message>
    <message>
        <source>sikeres</source>
        <translation>ok</translation>
    </message>
    <message>
        <source>eltér</source>
        <translation>differs</translation>
    </message>
    <message>
        <source>sikertelen</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>megszakítva</source>
        <translation>interrupted</translation>
    </message>
    <message>
        <source>%1 [%2], %3. változat: %4: %5</source>
        <translation>%1 [%2], version %3: %4: %5</translation>
    </message>
    <message>
        <source>%1, %2. változat</source>
        <translation>%1, version %2</translation>
    </message>
    <message>
        <source>a PostgreSQL-illesztő (QPSQL) hiányzik ebből a telepítésből; a(z) %1 nyilvántartás nem érhető el</source>
        <translation>the PostgreSQL driver (QPSQL) is missing from this installation; the register %1 cannot be reached</translation>
    </message>
    <message>
        <source>az SQLite-illesztő (QSQLITE) hiányzik ebből a telepítésből</source>
        <translation>the SQLite driver (QSQLITE) is missing from this installation</translation>
    </message>
    <message>
        <source>a(z) %1 mappa nem hozható létre; a nyilvántartás nem írható</source>
        <translation>the folder %1 cannot be made; the register cannot be written</translation>
    </message>
    <message>
        <source>a(z) %1 nyilvántartás nem írható (csak olvasható)</source>
        <translation>the register %1 cannot be written (read-only)</translation>
    </message>
    <message>
        <source>a(z) %1 nyilvántartást egy újabb programváltozat készítette; ez a változat nem ír bele</source>
        <translation>the register %1 was made by a newer version of the program; this version does not write to it</translation>
    </message>
    <message>
        <source>a(z) %1 nyilvántartás nem használható (%2)</source>
        <translation>the register %1 cannot be used (%2)</translation>
    </message>
    <message>
        <source>a(z) %1 nyilvántartás sérült (%2)</source>
        <translation>the register %1 is damaged (%2)</translation>
    </message>
    <message>
        <source>a(z) %1 nyilvántartás nem érhető el (%2)</source>
        <translation>the register %1 cannot be reached (%2)</translation>
    </message>
    <message>
        <source>a(z) %1 nyilvántartás hibát jelzett (%2)</source>
        <translation>the register %1 reported an error (%2)</translation>
    </message>
    <message>
        <source>a(z) %1 nyilvántartást egy másik program zárolja</source>
        <translation>another program holds a lock on the register %1</translation>
    </message>
    <message>
        <source>a(z) %1 nyilvántartás nem nyitható meg (%2)</source>
        <translation>the register %1 cannot be opened (%2)</translation>
    </message>
    <message>
        <source>a nyilvántartás ki van kapcsolva</source>
        <translation>the register is off</translation>
    </message>
    <message>
        <source>%1: ellenőrizve</source>
        <translation>%1: verified</translation>
    </message>
    <message>
        <source>sikertelen átvitel rögzítve, telephely nélkül (a modul tartalma nem ismert)</source>
        <translation>failed transfer recorded without a site (the module&apos;s content is not known)</translation>
    </message>
    <message>
        <source>%1 (sikertelen, másolat nélkül)</source>
        <translation>%1 (failed, no copy)</translation>
    </message>
    <message>
        <source>%1; a helyi sorba sem került (%2), ez a változat elveszett</source>
        <translation>%1; nor could it be queued locally (%2): this version is lost</translation>
    </message>
    <message>
        <source>%1; a változat a helyi sorban vár, és elküldöm, amint a szerver újra válaszol</source>
        <translation>%1; the version waits in the local queue and goes to the server once it answers again</translation>
    </message>
    <message>
        <source>a helyi sorban vár</source>
        <translation>waits in the local queue</translation>
    </message>
    <message>
        <source>„%1”</source>
        <translation>&quot;%1&quot;</translation>
    </message>
    <message>
        <source>(nincs)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>%1: jogok: %2 → %3</source>
        <translation>%1: rights: %2 → %3</translation>
    </message>
    <message>
        <source>%1: új: %2</source>
        <translation>%1: new: %2</translation>
    </message>
    <message>
        <source>%1: törölve: %2</source>
        <translation>%1: deleted: %2</translation>
    </message>
    <message>
        <source>%1: %2 → %3</source>
        <translation>%1: %2 → %3</translation>
    </message>
    <message>
        <source>%1: %2: jogok: %3 → %4</source>
        <translation>%1: %2: rights: %3 → %4</translation>
    </message>
    <message>
        <source>%1. bemenet riasztás</source>
        <translation>alarm input %1</translation>
    </message>
    <message>
        <source>%1. kimenet vezérlés</source>
        <translation>output %1</translation>
    </message>
    <message>
        <source>jog nélkül</source>
        <translation>no rights</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Modell</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>Modell: %1 → %2 (%3 → %4 telefonszám)</source>
        <translation>Model: %1 → %2 (%3 → %4 numbers)</translation>
    </message>
    <message>
        <source>nem ismert</source>
        <translation>not known</translation>
    </message>
    <message>
        <source>ismeretlen (%1)</source>
        <translation>unknown (%1)</translation>
    </message>
    <message>
        <source>%1 számos, egyszerűsített</source>
        <translation>%1 numbers, simplified</translation>
    </message>
    <message>
        <source>%1 számos</source>
        <translation>%1 numbers</translation>
    </message>
    <message>
        <source>több telephely modulja viseli ezt az azonosítót és nevet</source>
        <translation>the modules of several sites carry this identifier and name</translation>
    </message>
    <message>
        <source>ez a modul nincs a nyilvántartásban</source>
        <translation>this module is not in the register</translation>
    </message>
</context>
</TS>
