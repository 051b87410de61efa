/* namen.dbf with namen.ntx on UPPER(NAME), written by a Harbour application that runs with
   the German Windows code page (DEWIN: national collation, UPPER() of umlauts).
   mknamen <folder> */

REQUEST DBFNTX, HB_CODEPAGE_DEWIN

PROCEDURE Main( cDir )
   hb_cdpSelect( "DEWIN" )
   cDir := hb_DirSepAdd( iif( Empty( cDir ), ".", cDir ) )
   dbCreate( cDir + "namen", { { "NAME", "C", 20, 0 } }, "DBFNTX", .T., "NAMEN", , "DEWIN" )
   dbAppend()
   FIELD->NAME := "Bz"
   dbAppend()
   FIELD->NAME := "B" + hb_BChar( 0xE4 ) + "cker"   /* Bäcker in Windows-1252 */
   INDEX ON Upper( NAME ) TO ( cDir + "namen" )
   dbCloseAll()
   RETURN
