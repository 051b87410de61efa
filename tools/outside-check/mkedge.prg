/* Index keys at the edges of what an application writes, made by Harbour: overflowing STR(),
   DESCEND(), trimmed and cut text, IIF(), logical and computed numeric keys, an alias, a
   string minus; empty values among the records (blank dates and numbers).
   ntx/rand.dbf with one NTX file per key, cdx/rand.dbf with the same keys as tags of its
   structural CDX.

   mkedge <folder> [<codepage>] */

REQUEST DBFNTX, DBFCDX, DBFFPT, HB_CODEPAGE_DEWIN
/* the functions index keys and FOR conditions use, for the macro compiler */
REQUEST Upper, Lower, Str, StrZero, DToS, DToC, CToD, SubStr, Left, Right, Trim, RTrim, LTrim
REQUEST AllTrim, PadL, PadR, Val, Descend, RecNo, Deleted, Empty, Year, Month, Day

PROCEDURE Main( cDir, cCp )
   LOCAL i, cRdd, cT, aKeys, aK

   hb_default( @cCp, "EN" )
   hb_cdpSelect( cCp )
   cDir := hb_DirSepAdd( iif( Empty( cDir ), ".", cDir ) )
   hb_DirBuild( cDir )

   /* tag or file name, key, FOR, UNIQUE, DESCENDING */
   aKeys := { ;
      { "E_STR7", "STR(BETRAG,7,1)", "", .F., .F. }, ;
      { "E_STRZ", "STRZERO(NR,7)", "", .F., .F. }, ;
      { "E_DESC", "DESCEND(NAME)", "", .F., .F. }, ;
      { "E_TRIM", "TRIM(NAME)+KURZ", "", .F., .F. }, ;
      { "E_SUB", "SUBSTR(NAME,2,4)+RIGHT(KURZ,2)", "", .F., .F. }, ;
      { "E_IIF", "IIF(OK,'J','N')+DTOS(DATUM)", "", .F., .F. }, ;
      { "E_NUM", "NR+BETRAG", "", .F., .F. }, ;
      { "E_LOG", "OK", "", .F., .F. }, ;
      { "E_DATE", "DATUM", "", .F., .T. }, ;
      { "E_LOWU", "LOWER(NAME)", "NR > 100", .T., .F. }, ;
      { "E_UPND", "UPPER(NAME)", "! DELETED()", .F., .T. }, ;
      { "E_ALIAS", "RAND->NAME", "", .F., .F. }, ;
      { "E_EMPTY", "NAME", "EMPTY(DATUM)", .F., .F. }, ;
      { "E_YM", "STR(YEAR(DATUM),4)+STR(MONTH(DATUM),2)", "", .F., .F. }, ;
      { "E_MINUS", "NAME-KURZ", "", .F., .F. }, ;
      { "E_BETRU", "BETRAG", "BETRAG < 0", .T., .T. }, ;
      { "E_NONE", "NAME", "NR < 0", .F., .F. }, ;
      { "E_LONG", "NAME+KURZ+NAME+KURZ+NAME+KURZ+NAME+KURZ+NAME+KURZ+NAME+KURZ+NAME+KURZ+NAME", "", .F., .F. }, ;
      { "E_KURZU", "UPPER(KURZ)", "! EMPTY(KURZ)", .T., .T. } }

   FOR EACH cRdd IN { "DBFNTX", "DBFCDX" }
      cT := iif( cRdd == "DBFNTX", "ntx", "cdx" ) + hb_ps() + "rand"
      hb_DirBuild( cDir + iif( cRdd == "DBFNTX", "ntx", "cdx" ) )
      rddSetDefault( cRdd )
      dbCreate( cDir + cT, { { "NR", "N", 5, 0 }, { "BETRAG", "N", 9, 2 }, { "NAME", "C", 15, 0 }, ;
         { "DATUM", "D", 8, 0 }, { "OK", "L", 1, 0 }, { "KURZ", "C", 3, 0 } }, cRdd, .T., "RAND", , cCp )
      FOR i := 1 TO 30
         dbAppend()
         IF i % 7 != 0
            FIELD->NR := i * 17 % 300
            FIELD->BETRAG := ( i * 700919 % 18000000 ) / 100 - 90000
            FIELD->DATUM := hb_SToD( "19990101" ) + i * 211 % 9000
         ENDIF
         FIELD->NAME := iif( i % 5 == 0, "", "Name " + Chr( 65 + i % 26 ) + Chr( 97 + i * 7 % 26 ) + " " )
         FIELD->OK := ( i % 3 == 0 )
         FIELD->KURZ := iif( i % 4 == 0, "", Chr( 97 + i % 26 ) + " " + Chr( 65 + i % 20 ) )
         IF i % 6 == 0
            dbDelete()
         ENDIF
      NEXT
      FOR EACH aK IN aKeys
         ordCondSet( iif( Empty( aK[ 3 ] ), NIL, aK[ 3 ] ), iif( Empty( aK[ 3 ] ), NIL, hb_macroBlock( aK[ 3 ] ) ), ;
            .T., NIL, NIL, NIL, RecNo(), NIL, NIL, NIL, aK[ 5 ] )
         IF cRdd == "DBFNTX"
            ordCreate( cDir + "ntx" + hb_ps() + Lower( aK[ 1 ] ), aK[ 1 ], aK[ 2 ], hb_macroBlock( aK[ 2 ] ), aK[ 4 ] )
         ELSE
            ordCreate( , aK[ 1 ], aK[ 2 ], hb_macroBlock( aK[ 2 ] ), aK[ 4 ] )
         ENDIF
      NEXT
      dbCloseAll()
   NEXT
   ? "ok"
   RETURN
