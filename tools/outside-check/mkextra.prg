/* Tables with index files as a Clipper-style application keeps them, written by Harbour:
   kunden.dbf with six NTX files, artikel.dbf (+ .fpt) with a structural CDX of eight tags.

   mkextra <folder> [<codepage>]    (codepage EN, the default, orders by byte value) */

REQUEST DBFNTX, DBFCDX, DBFFPT
REQUEST HB_CODEPAGE_DEWIN

PROCEDURE Main( cDir, cCp )
   LOCAL i
   LOCAL aName := { "Müller", "Schmidt", "Özdemir", "Meier", "Weiß", "Bauer", "Möller", "Ziegler", "Adler", "schulz" }
   LOCAL aVor := { "Anna", "Jürgen", "Eva", "Klaus", "Ärne", "Paul", "ute", "Björn" }
   LOCAL aOrt := { "Köln", "Berlin", "Essen", "", "Überlingen", "Aachen" }

   hb_default( @cCp, "EN" )
   /* this source is UTF-8: the table holds Windows-1252 bytes */
   AEval( aName, {| c, i | aName[ i ] := hb_UTF8ToStr( c, "DEWIN" ) } )
   AEval( aVor, {| c, i | aVor[ i ] := hb_UTF8ToStr( c, "DEWIN" ) } )
   AEval( aOrt, {| c, i | aOrt[ i ] := hb_UTF8ToStr( c, "DEWIN" ) } )
   hb_cdpSelect( cCp )
   cDir := hb_DirSepAdd( iif( Empty( cDir ), ".", cDir ) )
   hb_DirBuild( cDir )

   rddSetDefault( "DBFNTX" )
   dbCreate( cDir + "kunden", { { "KDNR", "N", 6, 0 }, { "NAME", "C", 25, 0 }, { "VORNAME", "C", 20, 0 }, ;
      { "GEBDAT", "D", 8, 0 }, { "UMSATZ", "N", 10, 2 }, { "AKTIV", "L", 1, 0 }, { "PLZ", "C", 5, 0 }, ;
      { "ORT", "C", 25, 0 } }, "DBFNTX", .T., "KUNDEN", , cCp )
   FOR i := 1 TO 40
      dbAppend()
      FIELD->KDNR := 1000 + i * 37 % 101
      FIELD->NAME := aName[ i % Len( aName ) + 1 ]
      FIELD->VORNAME := aVor[ i * 3 % Len( aVor ) + 1 ]
      FIELD->GEBDAT := iif( i % 11 == 0, hb_SToD( "" ), hb_SToD( "19500101" ) + i * 733 % 20000 )
      FIELD->UMSATZ := ( i * 7103 % 400000 ) / 100 - 800
      FIELD->AKTIV := ( i % 3 != 0 )
      FIELD->PLZ := StrZero( 10000 + i * 1931 % 89000, 5 )
      FIELD->ORT := aOrt[ i % Len( aOrt ) + 1 ]
      IF i % 8 == 0
         dbDelete()
      ENDIF
   NEXT
   INDEX ON KDNR TO ( cDir + "kunden" )
   INDEX ON Upper( NAME ) + Upper( VORNAME ) TO ( cDir + "kname" )
   INDEX ON DToS( GEBDAT ) TO ( cDir + "kgebdat" )
   INDEX ON Str( UMSATZ, 10, 2 ) TO ( cDir + "kumsatz" ) DESCENDING
   INDEX ON NAME TO ( cDir + "kaktiv" ) FOR AKTIV .AND. ! Deleted()
   INDEX ON PLZ TO ( cDir + "kplz" ) UNIQUE
   dbCloseAll()

   rddSetDefault( "DBFCDX" )
   dbCreate( cDir + "artikel", { { "ARTNR", "C", 10, 0 }, { "BEZ", "C", 30, 0 }, { "PREIS", "N", 10, 2 }, ;
      { "MENGE", "N", 6, 0 }, { "DATUM", "D", 8, 0 }, { "AKTIV", "L", 1, 0 }, { "GRUPPE", "C", 4, 0 }, ;
      { "NOTIZ", "M", 10, 0 } }, "DBFCDX", .T., "ARTIKEL", , cCp )
   FOR i := 1 TO 60
      dbAppend()
      FIELD->ARTNR := "A" + StrZero( i * 4391 % 99991, 6 )
      FIELD->BEZ := aName[ i % Len( aName ) + 1 ] + " Teil " + hb_ntos( i % 13 )
      FIELD->PREIS := ( i * 9173 % 500000 ) / 100
      FIELD->MENGE := i * 31 % 500 - 120
      FIELD->DATUM := hb_SToD( "20200101" ) + i * 17 % 1500
      FIELD->AKTIV := ( i % 5 != 0 )
      FIELD->GRUPPE := "G" + StrZero( i % 7, 2 )
      FIELD->NOTIZ := "Notiz " + hb_ntos( i )
      IF i % 10 == 0
         dbDelete()
      ENDIF
   NEXT
   INDEX ON ARTNR TAG ARTNR
   INDEX ON Upper( BEZ ) TAG BEZ
   INDEX ON PREIS TAG PREIS DESCENDING
   INDEX ON MENGE TAG MENGE
   INDEX ON DATUM TAG DATUM
   INDEX ON GRUPPE + DToS( DATUM ) TAG GRPDAT
   INDEX ON ARTNR TAG AKTIV FOR AKTIV .AND. ! Deleted()
   INDEX ON Upper( GRUPPE ) TAG GRUPPE UNIQUE
   dbCloseAll()
   ? "ok"
   RETURN
