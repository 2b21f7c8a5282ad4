#pragma once

// The sentences the peer (bench/peer.cpp) sends; the benchmarks frame and
// send them too. Plain C++, no Qt.

#include <cstdio>
#include <string>
#include <vector>

inline std::string withChecksum(const std::string &body)
{
    unsigned char sum = 0;
    for (size_t i = 1; i < body.size(); ++i)
        sum ^= static_cast<unsigned char>(body[i]);
    char tail[4];
    std::snprintf(tail, sizeof tail, "*%02X", sum);
    return body + tail;
}

// The six templates of the program's sender, and AIS position reports whose
// armoured payloads vary in length (44 to 82 characters in all).
inline std::vector<std::string> mixedSentences()
{
    std::vector<std::string> sentences{
        "$HEHDT,90.0,T*16",
        "$GPZDA,173616.97,01,11,2025,0,0*68",
        "$GPRMC,173749.53,A,0002.12132,N,00002.12132,E,0000.0,000.0,011125,0.0,W,A,S*67",
        "$VDVBW,15.0,00.0,A,11.0,00.0,A,00.0,A,00.0,A*55",
        "$SDDPT,20.0,0.0,50.0*52",
        "$WIMWV,045.0,T,012.0,N,A*27",
    };
    const char *payloads[] = {
        "13aEOK?P00PD2wVMdLDRhgvL289?",
        "15M67FC000G?ufbE`FepT@3n00Sa",
        "33aDqfhP00PD2wVMdLDRhgvL289?",
        "B52K>;h00Fc>jpUlNV@ikwpUoP06",
        "13u?etPv2;0n:dDPwUM1U1Cb069D",
        "402R3JQv:ak:qPDn@AJEwwi005H1q@0000000000",
        "55?MbV02;H;s<HtKR20EHE:0@T4@Dn2222222216L961O5Gf0NSQEp6ClRp8",
    };
    char channel = 'A';
    for (const char *payload : payloads) {
        sentences.push_back(withChecksum(std::string("!AIVDM,1,1,,") + channel + ',' + payload + ",0"));
        channel = channel == 'A' ? 'B' : 'A';
    }
    return sentences;
}

// Sentences of exactly 80 characters: AIS reports with a payload of the
// length that makes 80.
inline std::vector<std::string> fixed80Sentences()
{
    std::vector<std::string> sentences;
    const std::string alphabet = "0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVW`abcdefghijklmnopqrstuvw";
    for (int variant = 0; variant < 16; ++variant) {
        std::string head = std::string("!AIVDM,1,1,,") + (variant % 2 ? 'B' : 'A') + ',';
        const size_t payloadLength = 80 - head.size() - 2 - 3; // ",0" and "*hh"
        std::string payload;
        for (size_t i = 0; i < payloadLength; ++i)
            payload.push_back(alphabet[(i * 7 + static_cast<size_t>(variant) * 13) % alphabet.size()]);
        sentences.push_back(withChecksum(head + payload + ",0"));
    }
    return sentences;
}
